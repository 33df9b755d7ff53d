#include "common/server_password.h"

#include <QHash>
#include <QMutex>
#include <utility>

namespace varnel {

namespace {

struct Passwords {
    QMutex mutex;
    PasswordPrompt prompt;
    QHash<QString, QByteArray> remembered; // by address
};

Passwords& passwords()
{
    static Passwords state;
    return state;
}

// A password let go of is overwritten first: no copy stays in freed memory.
void wipe(QByteArray& password)
{
    password.fill('\0');
    password.clear();
}

} // namespace

PasswordPrompt setPasswordPrompt(PasswordPrompt prompt)
{
    QMutexLocker lock(&passwords().mutex);
    return std::exchange(passwords().prompt, std::move(prompt));
}

std::optional<QByteArray> rememberedPassword(const QString& address)
{
    QMutexLocker lock(&passwords().mutex);
    const auto found = passwords().remembered.constFind(address);
    if (found == passwords().remembered.constEnd())
        return std::nullopt;
    return *found;
}

void rememberPassword(const QString& address, const QByteArray& password)
{
    QMutexLocker lock(&passwords().mutex);
    auto found = passwords().remembered.find(address);
    if (found != passwords().remembered.end()) {
        wipe(*found);
        passwords().remembered.erase(found);
    }
    if (!password.isEmpty())
        passwords().remembered.insert(address, password);
}

void forgetRememberedPasswords()
{
    QMutexLocker lock(&passwords().mutex);
    for (QByteArray& password : passwords().remembered)
        wipe(password);
    passwords().remembered.clear();
}

std::optional<PasswordAnswer> askForPassword(const QString& role, const QString& server)
{
    PasswordPrompt prompt;
    {
        QMutexLocker lock(&passwords().mutex);
        prompt = passwords().prompt;
    }
    // Asked without the lock: the window's dialog runs an event loop.
    return prompt ? prompt(role, server) : std::nullopt;
}

} // namespace varnel
