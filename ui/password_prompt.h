#pragma once

#include "common/server_password.h"

class QWidget;

namespace varnel::ui {

// The window's answer when a roster's server asks for a password: a small
// modal dialog over `window` naming the role and the server, a password
// field that shows dots, "Remember for this session" (unticked) and OK and
// Cancel. The password goes nowhere but to the connection: never into a
// setting, a message or a log. Nothing when the clerk cancels.
std::optional<PasswordAnswer> askPasswordInWindow(QWidget* window, const QString& role, const QString& server);

} // namespace varnel::ui
