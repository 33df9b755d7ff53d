#pragma once

class QWidget;

namespace varnel::ui {

// Enter (or the keypad's Enter) presses a push button while it has the
// focus, as Space does; without the focus it presses none. Qt leaves Enter
// to the buttons of dialogs only. Applies to every push button inside
// `window` at the time of the call.
void letEnterPressFocusedButtons(QWidget* window);

} // namespace varnel::ui
