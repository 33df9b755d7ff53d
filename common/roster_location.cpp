#include "common/roster_location.h"

#include "common/server_connection.h"

#include <QDir>

namespace varnel {

RosterLocation::RosterLocation(const QString& text)
    : text_(text), server_(isServerLocation(text))
{
}

QString RosterLocation::inWords() const
{
    return server_ ? serverDisplayName(text_) : QDir::toNativeSeparators(text_);
}

} // namespace varnel
