#include "pdf_text.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace varnel::reports::test {

QString pdfText(const QString& pdfPath)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext failed on " << pdfPath.toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList pdfPages(const QString& pdfPath)
{
    QStringList pages = pdfText(pdfPath).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

int findRow(const QStringList& lines, const QStringList& cells, int from)
{
    QStringList parts;
    for (const QString& cell : cells)
        parts << QRegularExpression::escape(cell);
    const QRegularExpression row(QStringLiteral("(^|\\s)") + parts.join(QStringLiteral("\\s+"))
                                 + QStringLiteral("(\\s|$)"));
    for (int i = qMax(0, from); i < lines.size(); ++i)
        if (row.match(lines[i]).hasMatch())
            return i;
    return -1;
}

} // namespace varnel::reports::test
