#pragma once

#include "common/server_password.h"

namespace varnel::tools {

// The tool's answer when a server asks for a password libpq found nowhere:
// when standard input is a terminal, asks on it (the question on standard
// error) and reads one line with the terminal's echo off, so the password
// is never shown; kept for the rest of the run. Without a terminal (a
// script, a timer), nothing: the connection fails (3029) and names
// ~/.pgpass, where a script keeps the password.
std::optional<PasswordAnswer> askPasswordOnTerminal(const QString& role, const QString& server);

} // namespace varnel::tools
