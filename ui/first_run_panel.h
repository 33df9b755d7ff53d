#pragma once

#include <QFrame>

class QPushButton;

namespace varnel::ui {

// What the window offers while no roster is open (started from the desktop
// menu before there is one): a roster made new, one opened, or one brought
// across from Access. Stands over the middle of the window.
class FirstRunPanel : public QFrame {
    Q_OBJECT
public:
    explicit FirstRunPanel(QWidget* parent);

signals:
    void newRoster();
    void openRoster();
    void importRoster();
};

} // namespace varnel::ui
