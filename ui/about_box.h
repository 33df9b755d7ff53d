#pragma once

#include <QString>
#include <QWidget>

class QKeyEvent;

namespace varnel::ui {

// The displayed form of a four-part file version "major.minor.0.revision"
// (kProductVersion): the minor number in two digits and the revision in
// four, so "1.2.0.7" reads "1.02.0007". Text that is not four numbers is
// returned unchanged.
QString versionText(const QString& fileVersion);

// The About box (object name "About"): product name, version line, two
// pictures, a legal notice in the "Warning" frame and an "OK" button.
//
// Its client area is 4635 by 5415 twips and every control sits at a fixed
// place given in twips, converted at the screen's logical resolution
// (1440 twips to the inch). "OK" (Command1) is the only control that takes
// the focus; it hides the box, so the box keeps its state for the next
// showing. Escape does nothing; F1 opens the help contents. The box never
// keeps the program running on its own (Qt::WA_QuitOnClose is off).
class AboutBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidthTwips = 4635;
    static constexpr int kClientHeightTwips = 5415;

    explicit AboutBox(QWidget* parent = nullptr);

    // The text of the version line, e.g. "Version 1.02.0007 (32-bit)".
    static QString versionLine();
    // The legal notice shown in the "Warning" frame.
    static QString legalNotice();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace varnel::ui
