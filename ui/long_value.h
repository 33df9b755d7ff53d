#pragma once

#include <QString>
#include <functional>

class QFontMetrics;
class QLineEdit;
class QWidget;

namespace varnel::ui {

// Values far longer than anything a clerk types (another program may store
// megabytes of text in a roster) are shown by their beginning and never
// edited in the window: laying out the whole text on every repaint would
// hang the window, and an edit of the shortened text shown would replace
// the whole stored value with it. The grid and every bound control follow
// this one rule; shorter values are shown and edited whole, as always.
namespace long_value {

// The longest text shown and edited whole, in UTF-16 code units (what
// QString::size() counts). The longest entry typed is 25 characters.
constexpr qsizetype kEditableLength = 1000;
// How much of a long value is ever laid out: enough to fill the widest
// control of the window.
constexpr qsizetype kShownLength = 200;
// The mark that there is more.
inline constexpr char16_t kMark = u'\u2026';

// Longer than kEditableLength. Only text can be: numbers, dates and Yes/No
// are shown in a few characters.
bool isLong(const QString& text);

// The beginning of a long text followed by the mark (never a surrogate
// pair cut in two); a text within the limit as it is.
QString shown(const QString& text);
// Why a long value is shown shortened and cannot be edited: for the tooltip
// of the control or cell that shows it.
QString explanation(qsizetype length);

// The room for text in a one-line entry, in pixels: its width less its
// frame, text margins and the cursor.
int textRoom(const QLineEdit& edit);

// A bound control's side of the rule. While the control shows a long value
// it is read-only and its tooltip explains why. Only the beginning of the
// value is kept, so that a resize can fit it anew; the control holds no
// reference to the whole text.
class Shown {
public:
    bool isActive() const { return active_; }

    // Whether showing `text` changes anything of the rule: it is long, or
    // the control showed a long value until now.
    bool concerns(const QString& text) const { return active_ || isLong(text); }
    // Enters the rule for a long text (or stays in it, for another long
    // text), or leaves it for any other. Entering makes the control
    // read-only through `setReadOnly` and gives it the explanation as
    // tooltip; leaving gives back its own read-only state (`readOnly` when
    // it entered) and tooltip.
    void show(QWidget& control, const QString& text, bool readOnly, const std::function<void(bool)>& setReadOnly);
    // The beginning of the long value shown and the mark, fitted to
    // `width` pixels so that the mark stays in view.
    QString fitted(const QFontMetrics& metrics, int width) const;

private:
    bool active_ = false;
    QString marked_; // the beginning and the mark
    QString ownToolTip_;
    bool ownReadOnly_ = false;
};

} // namespace long_value
} // namespace varnel::ui
