#include "ui/window_look.h"

#include "ui/flat_style.h"

#include <QStringList>

namespace varnel::ui {

QFont windowFont(qreal points)
{
    // The style hint picks the platform's sans-serif when the family is
    // missing.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QPalette windowPalette(const QPalette& scheme)
{
    QPalette palette = scheme;
    const QColor window = scheme.color(QPalette::Base);
    const QColor text = scheme.color(QPalette::Text);
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
        palette.setColor(role, window);
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(role, text);
    palette.setColor(QPalette::Dark, visibleLine(scheme.color(QPalette::Dark), window, text));
    return palette;
}

QString flatStyleSheet(const QPalette& window, const FlatDrawing& drawing)
{
    return QStringLiteral(
               "QGroupBox { border: 1px solid %3; margin-top: %6em; padding-top: %7em; background: %1; color: %2; }"
               "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; padding: 0 2px; }"
               "QPushButton { border: 1px solid %4; background: %1; color: %2; padding: 0 4px; }"
               "QPushButton:focus { border: 2px solid %4; }"
               "QPushButton:pressed { background: %5; }")
        .arg(window.color(QPalette::Window).name(), window.color(QPalette::WindowText).name(), drawing.frameLine.name(),
             drawing.buttonLine.name(), window.color(QPalette::Midlight).name())
        .arg(drawing.titleRoomEm)
        .arg(drawing.contentsGapEm);
}

} // namespace varnel::ui
