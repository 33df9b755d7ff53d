#pragma once

#include <QString>
#include <QStringList>

namespace varnel::reports::test {

// The text of a PDF file as `pdftotext -layout` gives it: one report row per
// line. Fails the current test when pdftotext cannot be run.
QString pdfText(const QString& pdfPath);

// The pages of pdfText, split at form feeds.
QStringList pdfPages(const QString& pdfPath);

// Index of the first line at or after `from` that matches the cells in
// order, separated by blanks (e.g. {"1", "Diaz, Luis", "SSG"}); -1 if none.
int findRow(const QStringList& lines, const QStringList& cells, int from = 0);

} // namespace varnel::reports::test
