#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;

namespace varnel::store {
class DataControl;
}

namespace varnel::ui {

class Handler;

// Find Soldier: a small box beside the window with one line. Typing part of
// a name makes the first soldier from the current one on (round from the
// first) whose name holds it current, without regard to case or accents;
// Enter goes on to the next such soldier; Escape closes the box. Moving
// stores what is pending for the record left, as any move does.
class FindBox : public QDialog {
    Q_OBJECT
public:
    FindBox(store::DataControl& binding, const Handler& handler, QWidget* parent);

    // Shows the box with its text selected, ready for typing.
    void showFind();

private:
    void find(bool next);
    void rememberStart();

    store::DataControl* binding_;
    const Handler* handler_;
    QLineEdit* nameEdit_;
    QLabel* status_;
    // The soldier current when the search began: a search that ends without
    // a match puts him back.
    std::optional<qint64> startKey_;
    QString searched_; // the text last searched for
};

} // namespace varnel::ui
