#pragma once

#include <QPoint>
#include <QStringList>
#include <optional>

namespace varnel::ui {

// What the window keeps between runs, in the user's settings (QSettings:
// ~/.config/Varnel/Varnel.conf on Linux): the rosters opened last and where
// the window stood.
class RecentRosters {
public:
    static constexpr int kKept = 8;

    // The locations (a roster file's path, a server's address), newest
    // first.
    static QStringList list();
    // `location` becomes the newest; the oldest beyond kKept goes.
    static void add(const QString& location);

    static std::optional<QPoint> windowPosition();
    static void setWindowPosition(const QPoint& position);
};

} // namespace varnel::ui
