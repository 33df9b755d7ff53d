#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace varnel {

// The order of soldiers' names as a clerk expects it in a roster: the
// dictionary's, without regard to case or accents ("de la Cruz" between
// "Davis" and "Evans", "Müller" beside "Muller"). Names that fold alike are
// ordered by their exact text, so the order is always the same. The grid,
// Sort, Find and every report use this one order.

// The folded form two names are first compared by: canonical decomposition,
// accents and other combining marks left out, case folded; as UTF-8, whose
// byte order is the order of the folded text. Only the first
// kFoldedNameLength characters are folded, far more than any name needs to
// find its place (the grid takes 25): a text of megabytes another program
// stored costs no more than a name, and takes its place among the names
// that begin alike by its exact text.
inline constexpr qsizetype kFoldedNameLength = 256;
QByteArray nameFoldKey(QStringView name);
// The same for a name given as UTF-8.
QByteArray nameFoldKeyOfUtf8(QByteArrayView utf8);

// Negative, zero or positive as `a` sorts before, with or after `b`.
int compareNames(QStringView a, QStringView b);

// Whether `part` occurs in `name` when both are folded (within the folded
// beginning of `name`).
bool nameContains(QStringView name, QStringView part);

} // namespace varnel
