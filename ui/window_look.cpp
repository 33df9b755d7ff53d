#include "ui/window_look.h"

#include "ui/flat_style.h"

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

} // namespace varnel::ui
