#include "ui/recent_rosters.h"

#include "ui/product.h"

#include <QSettings>

namespace varnel::ui {

namespace {

QSettings settings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kProductName, kProductName);
}

const QString kRecentKey = QStringLiteral("recentRosters");
const QString kPositionKey = QStringLiteral("window/position");

} // namespace

QStringList RecentRosters::list()
{
    return settings().value(kRecentKey).toStringList();
}

void RecentRosters::add(const QString& location)
{
    QStringList recent = list();
    recent.removeAll(location);
    recent.prepend(location);
    while (recent.size() > kKept)
        recent.removeLast();
    QSettings s = settings();
    s.setValue(kRecentKey, recent);
}

std::optional<QPoint> RecentRosters::windowPosition()
{
    const QVariant value = settings().value(kPositionKey);
    if (!value.isValid())
        return std::nullopt;
    return value.toPoint();
}

void RecentRosters::setWindowPosition(const QPoint& position)
{
    QSettings s = settings();
    s.setValue(kPositionKey, position);
}

} // namespace varnel::ui
