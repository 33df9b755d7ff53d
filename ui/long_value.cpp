#include "ui/long_value.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>

#include <algorithm>

namespace varnel::ui::long_value {

bool isLong(const QString& text)
{
    return text.size() > kEditableLength;
}

namespace {

// The first kShownLength code units, one less where the last would be the
// first half of a surrogate pair.
QString beginning(const QString& text)
{
    qsizetype length = std::min(kShownLength, text.size());
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

// A beginning and the mark, cut further where it is wider than the room.
QString fitMarked(const QString& marked, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(marked) <= width)
        return marked;
    // Qt cuts it and ends it with the mark itself.
    const QString cut = metrics.elidedText(marked, Qt::ElideRight, width);
    return cut.isEmpty() ? QString(QChar(kMark)) : cut;
}

} // namespace

QString shown(const QString& text)
{
    if (!isLong(text))
        return text;
    return beginning(text) + QChar(kMark);
}

QString explanation(qsizetype length)
{
    const QLocale locale;
    return QCoreApplication::translate("varnel::ui::LongValue",
                                       "This value is %1 characters long; only its beginning is shown. A value over %2 "
                                       "characters is kept exactly as stored and cannot be changed here.")
        .arg(locale.toString(qlonglong(length)), locale.toString(qlonglong(kEditableLength)));
}

int textRoom(const QLineEdit& edit)
{
    // QLineEdit keeps 2 pixels free on either side of its text.
    const QMargins margins = edit.textMargins();
    const int frame = edit.hasFrame() ? 2 * edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit) : 0;
    return std::max(0, edit.contentsRect().width() - margins.left() - margins.right() - frame - 2 * 2 - 1);
}

void Shown::show(QWidget& control, const QString& text, bool readOnly, const std::function<void(bool)>& setReadOnly)
{
    if (isLong(text)) {
        if (!active_) {
            ownToolTip_ = control.toolTip();
            ownReadOnly_ = readOnly;
            setReadOnly(true);
            active_ = true;
        }
        marked_ = shown(text);
        control.setToolTip(explanation(text.size()));
    } else if (active_) {
        active_ = false;
        marked_.clear();
        control.setToolTip(ownToolTip_);
        setReadOnly(ownReadOnly_);
    }
}

QString Shown::fitted(const QFontMetrics& metrics, int width) const
{
    return fitMarked(marked_, metrics, width);
}

} // namespace varnel::ui::long_value
