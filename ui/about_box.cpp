#include "ui/about_box.h"

#include "ui/app_icons.h"
#include "ui/flat_style.h"
#include "ui/help_viewer.h"
#include "ui/product.h"
#include "ui/twips.h"
#include "ui/window_look.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStringList>

namespace varnel::ui {

namespace {

// Every control is drawn in the window's colours and font, its background
// filled.
void place(QWidget* control, const QString& name, const QString& accessibleName, const QRect& geometry)
{
    control->setObjectName(name);
    control->setAccessibleName(accessibleName);
    control->setGeometry(geometry);
    control->setPalette(windowPalette(QApplication::palette()));
    control->setAutoFillBackground(true);
    control->setFont(windowFont());
}

QLabel* picture(QWidget* parent, const QPixmap& pixmap)
{
    auto* label = new QLabel(parent);
    label->setPixmap(pixmap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFrameShape(QFrame::NoFrame);
    return label;
}

QLabel* text(QWidget* parent, const QString& content)
{
    auto* label = new QLabel(content, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

QString versionText(const QString& fileVersion)
{
    const QStringList parts = fileVersion.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return fileVersion;
    bool ok[3] = {};
    const int major = parts[0].toInt(&ok[0]);
    const int minor = parts[1].toInt(&ok[1]);
    const int revision = parts[3].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2])
        return fileVersion;
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor, 2, 10, QLatin1Char('0')).arg(revision, 4, 10, QLatin1Char('0'));
}

QString AboutBox::versionLine()
{
    // The word size of the build that is running, not of some other one.
    return QStringLiteral("Version %1 (%2-bit)").arg(versionText(kProductVersion)).arg(QT_POINTER_SIZE * 8);
}

QString AboutBox::legalNotice()
{
    return QStringLiteral(
        "Protected by copyright: copying this program or its help file, or passing on any part of "
        "them, without leave may be prosecuted. The points it works out are an aid; check each "
        "worksheet against regulations.");
}

AboutBox::AboutBox(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(aboutIcon());
    setAttribute(Qt::WA_QuitOnClose, false);
    const QPalette colours = windowPalette(QApplication::palette());
    setFont(windowFont());
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(twipsRect(*this, 0, 0, kClientWidthTwips, kClientHeightTwips).size());

    // Created in tab order: the button first, so it has the focus when the
    // box opens; nothing else takes the focus.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    place(ok, QStringLiteral("Command1"), QStringLiteral("OK, close the About box"), twipsRect(*this, 1800, 4680, 1215, 375));
    // Neither default nor cancel button: Enter presses it only while it has
    // the focus (see keyPressEvent), Escape does nothing.
    ok->setDefault(false);
    ok->setAutoDefault(false);
    ok->setFocusPolicy(Qt::StrongFocus);
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);

    auto* emblem = picture(this, aboutEmblem());
    place(emblem, QStringLiteral("Picture2"), QStringLiteral("%1 emblem").arg(kProductName), twipsRect(*this, 240, 360, 855, 615));

    auto* name = text(this, kProductName);
    place(name, QStringLiteral("Label1"), QStringLiteral("Product name"), twipsRect(*this, 1200, 360, 2895, 375));
    name->setFont(windowFont(13.5));

    auto* version = text(this, versionLine());
    place(version, QStringLiteral("Label5"), QStringLiteral("Version"), twipsRect(*this, 1200, 720, 3015, 255));
    version->setFont(windowFont(9.75));

    auto* banner = picture(this, aboutBanner());
    place(banner, QStringLiteral("Picture1"), QStringLiteral("%1 banner").arg(kProductName), twipsRect(*this, 1680, 1200, 1935, 975));

    auto* frame = new QGroupBox(QStringLiteral("Warning"), this);
    place(frame, QStringLiteral("Frame1"), QStringLiteral("Warning"), twipsRect(*this, 360, 2280, 3975, 1575));

    auto* notice = text(frame, legalNotice());
    place(notice, QStringLiteral("Label4"), QStringLiteral("Legal notice"), twipsRect(*this, 240, 240, 3495, 1215));
    notice->setWordWrap(true);

    // Drawn flat, the frame and the button in the scheme's shadow, unless it
    // vanishes on the window colour (a dark scheme's black shadow does).
    const QColor line = visibleLine(colours.color(QPalette::Shadow), colours.color(QPalette::Window),
                                    colours.color(QPalette::WindowText));
    auto* flat = new FlatStyle({line, line, 0.5, 0, QColor()});
    flat->setParent(this);
    flat->drawTree(this);

    ok->setFocus();

    if (const QScreen* screen = this->screen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void AboutBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelpContents();
        event->accept();
        return;
    }
    // A focused button outside a dialog leaves Enter to its window.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
            button->click();
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace varnel::ui
