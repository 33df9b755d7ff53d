#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace varnel {

// A password a server asked for, as the clerk gave it, and whether it is
// to be kept in this program's memory until the program ends (never on a
// disk) for the next connection to the same address.
struct PasswordAnswer {
    QByteArray password;
    bool rememberForSession = false;
};

// Asks for the password of the server's role `role` for `server` (in
// words); nothing when the clerk declined or there is no one to ask.
using PasswordPrompt = std::function<std::optional<PasswordAnswer>(const QString& role, const QString& server)>;

// Who asks when a server wants a password that libpq found nowhere (the
// address never holds one; ~/.pgpass, PGPASSFILE and a service file are
// libpq's to read): the window's dialog, the tool's terminal. The one
// program-wide prompt, set by whoever owns the screen or the terminal, for
// every connection the program makes (the store's and the reports'). None,
// the default: the connection fails (3029). Returns the prompt replaced.
PasswordPrompt setPasswordPrompt(PasswordPrompt prompt);

// The password remembered for `address` in this session, if any.
std::optional<QByteArray> rememberedPassword(const QString& address);
// Keeps `password` for `address` until the program ends, or forgets the
// one kept (an empty password).
void rememberPassword(const QString& address, const QByteArray& password);
// Forgets every password kept: nothing is asked for again otherwise.
void forgetRememberedPasswords();
// Asks through the prompt set; nothing without one.
std::optional<PasswordAnswer> askForPassword(const QString& role, const QString& server);

} // namespace varnel
