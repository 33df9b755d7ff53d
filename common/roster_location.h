#pragma once

#include <QString>

namespace varnel {

// Where a roster is kept: the path of a file, or the address of a database
// on a PostgreSQL server (a connection URI or libpq's keyword=value pairs,
// see isServerLocation). Read once where a location comes in (the command
// line, the window's Open and New, a layout's data source) and carried as
// this value, so no other place asks again which it is.
class RosterLocation {
public:
    RosterLocation() = default;
    explicit RosterLocation(const QString& text);

    bool isEmpty() const { return text_.isEmpty(); }
    bool isServer() const { return server_; }
    // The path or the address as given. A server's may hold settings no
    // message shows: show inWords().
    const QString& text() const { return text_; }
    // As messages show it: a file's path as the system writes it, a
    // server's host, port, database and user only.
    QString inWords() const;

    friend bool operator==(const RosterLocation& a, const RosterLocation& b) { return a.text_ == b.text_; }

private:
    QString text_;
    bool server_ = false;
};

} // namespace varnel
