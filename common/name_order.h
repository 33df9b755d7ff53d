#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace varnel {

// The order of soldiers' names as a clerk expects it in a roster: the
// dictionary's, without regard to case or accents ("de la Cruz" between
// "Davis" and "Evans", "Müller" beside "Muller", "Øberg" beside "Oberg").
// It is the Unicode collation's first strength, as ICU's root collation
// gives it, so a roster on a PostgreSQL server orders names alike with its
// ICU collation `und-u-ks-level1`. Names that compare alike there are
// ordered by their exact text, character by character (the byte order of
// their UTF-8, which is also the server's tie-break), so the order is always
// the same. The grid, Sort, the CSV export, every report and a server
// roster use this one order.

// A name's sort key: bytes whose byte order is the first comparison of the
// order, for a sort that works each name out once. Only the first
// kNameKeyLength characters are keyed, far more than any name needs to find
// its place: a text of megabytes another program stored costs no more than
// a name.
inline constexpr qsizetype kNameKeyLength = 256;
QByteArray nameSortKey(QStringView name);
QByteArray nameSortKeyOfUtf8(QByteArrayView utf8);

// Most names are printable ASCII, whose sort key holds every character
// but its case: such a name (at most kNameKeyLength characters) can be kept
// as its key and the case of its letters, one bit each (set: lower case),
// which order names of one key as their texts do (upper case first); the
// bits end with the last one set, so names in capitals have none.
// plainNameKey fills in both, with no allocation when the buffers have
// room, and is false for any other name; plainNameText gives the text back.
bool plainNameKey(QByteArrayView utf8, QByteArray& sortKey, QByteArray& lowerCase);
QByteArray plainNameText(QByteArrayView sortKey, QByteArrayView lowerCase);

// Negative, zero or positive as `a` sorts before, with or after `b`.
int compareNames(QStringView a, QStringView b);
int compareNamesUtf8(QByteArrayView a, QByteArrayView b);
// The same order for names whose sort keys are at hand.
int compareKeyedNames(QByteArrayView keyA, QByteArrayView utf8A, QByteArrayView keyB, QByteArrayView utf8B);

// Find matches a part of a name by a simpler folding of both texts:
// canonical decomposition, combining marks left out, case folded, as UTF-8.
// Only the first kNameKeyLength characters of a name are folded.
QByteArray nameFoldKey(QStringView name);
QByteArray nameFoldKeyOfUtf8(QByteArrayView utf8);
// Whether `part` occurs in `name` when both are folded.
bool nameContains(QStringView name, QStringView part);

} // namespace varnel
