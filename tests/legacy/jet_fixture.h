#pragma once

#include "legacy/access_date.h"
#include "legacy/access_table.h"

#include "support/program_run.h"
#include "support/roster_file.h"

#include <QProcess>
#include <cmath>
#include <optional>
#include <utility>

namespace varnel::legacy::test {

using namespace varnel::test;
namespace jet = stream::jet;

inline const QString kJet4Access2000 = QStringLiteral("soldier-jet4-access2000.mdb");
inline const QString kJet4Access2003 = QStringLiteral("soldier-jet4-access2003.mdb");
inline const QString kJet3Sample = QStringLiteral("sample-jet3-access97.mdb");

inline QString jetFile(const QString& name) { return QStringLiteral(VARNEL_JET_DATA "/") + name; }
inline QString copyJetFile(const QString& name, const QString& path) { return writeFile(path, fileBytes(jetFile(name))); }

// In the Soldier table's design, each pair's names trade places (a pair whose second name is no column renames the
// first). Names of a pair have the same length, so nothing else in the page moves.
inline void swapColumnNames(const QString& path, const QList<std::pair<QString, QString>>& pairs)
{
    QByteArray bytes = fileBytes(path);
    // A Jet 4 design stores a column's name as its length in bytes (2
    // bytes) and the name in UTF-16 (little-endian, as this machine's).
    auto stored = [](const QString& name) {
        return QByteArray(1, char(name.size() * 2)) + '\0' + QByteArray(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    };
    const qsizetype anchorAt = bytes.indexOf(stored("TISDate"));
    ASSERT_GE(anchorAt, 0) << "no Soldier table";
    const qsizetype pageStart = anchorAt - anchorAt % 4096;
    auto find = [&](const QString& name) {
        const qsizetype at = bytes.indexOf(stored(name), pageStart);
        return at >= 0 && at < pageStart + 4096 ? at : -1;
    };
    for (const auto& [a, b] : pairs) {
        ASSERT_EQ(a.size(), b.size()) << qPrintable(a) << " and " << qPrintable(b);
        const qsizetype atA = find(a), atB = find(b);
        ASSERT_GE(atA, 0) << "no column " << qPrintable(a);
        bytes.replace(atA, stored(b).size(), stored(b));
        if (atB >= 0)
            bytes.replace(atB, stored(a).size(), stored(a));
    }
    writeFile(path, bytes);
}

inline void setColumnType(const QString& path, int index, quint8 type)
{
    QByteArray bytes = fileBytes(path);
    // A Jet 4 design lists the columns (25 bytes each, the type first) just
    // before their names; the first name is the key's, "ID".
    const qsizetype names = bytes.indexOf(QByteArray("\4\0I\0D\0", 6), bytes.indexOf(QByteArray("T\0I\0S\0D\0a\0t\0e\0", 14)) / 4096 * 4096);
    ASSERT_GT(names, 30 * 25);
    ASSERT_EQ(quint8(bytes[names - 30 * 25]), jet::Long) << "the key's type where it belongs";
    bytes[names - 30 * 25 + index * 25] = char(type);
    writeFile(path, bytes);
}

inline void replaceOnce(const QString& path, const QByteArray& from, const QByteArray& to)
{
    ASSERT_EQ(from.size(), to.size());
    QByteArray bytes = fileBytes(path);
    const qsizetype at = bytes.indexOf(from);
    ASSERT_GE(at, 0) << "not in the file";
    ASSERT_EQ(bytes.indexOf(from, at + 1), -1) << "more than once in the file";
    writeFile(path, bytes.replace(at, to.size(), to));
}

// A table as mdb-export reads it: dates as "yyyy-MM-dd HH:mm:ss", Yes/No
// 0 or 1; nothing for a field libmdb shows as empty (NULL, and empty text).
struct Export {
    QStringList header;
    QList<QList<std::optional<QString>>> rows;
};

inline Export mdbExport(const QString& path, const QString& table)
{
    // Fields unquoted between control characters no value holds.
    QProcess tool;
    tool.start(QStringLiteral(VARNEL_MDB_EXPORT), {"-Q", "-d", "\x1f", "-R", "\x1e", "-0", "\x01", "-D", "%Y-%m-%d %H:%M:%S",
                                                   "-T", "%Y-%m-%d %H:%M:%S", path, table});
    Export result;
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        ADD_FAILURE() << "mdb-export failed on " << qPrintable(path) << ": " << tool.readAllStandardError().toStdString();
        return result;
    }
    QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split(QChar(0x1e), Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        result.header = lines.takeFirst().split(QChar(0x1f));
    for (const QString& line : lines) {
        QList<std::optional<QString>> row;
        for (const QString& field : line.split(QChar(0x1f)))
            row.append(field == QChar(0x01) ? std::nullopt : std::optional<QString>(field));
        result.rows.append(row);
    }
    return result;
}

// Empty when a value as a roster stores it (`stored`) is the one mdb-export
// shows for a column of the Jet type `type`, else what differs.
inline QString differenceFromExport(const std::optional<QString>& exported, const QVariant& stored, quint8 type)
{
    bool same = false;
    if (!exported || stored.isNull()) // libmdb shows NULL and empty text alike
        same = !exported && (stored.isNull() || ((type == jet::Text || type == jet::Memo) && stored.toString().isEmpty()));
    else if (type == jet::Boolean || type == jet::Byte || type == jet::Integer || type == jet::Long)
        same = stored.typeId() == QMetaType::LongLong && QString::number(stored.toLongLong()) == *exported;
    else if (type == jet::Currency || type == jet::Double || type == jet::Single) {
        const double a = stored.toDouble(), b = exported->toDouble();
        same = std::fabs(a - b) <= (type == jet::Single ? 1e-7 : 1e-15) * std::max({1.0, std::fabs(a), std::fabs(b)});
    } else if (type == jet::DateTime) // the time of day only when there is one
        same = stored.toString() == (exported->endsWith(" 00:00:00") ? exported->chopped(9) : *exported);
    else
        same = stored.typeId() == QMetaType::QString && stored.toString() == *exported;
    return same ? QString()
                : QStringLiteral("mdb-export shows %1, the roster holds %2")
                      .arg(exported.value_or("nothing").left(80), stored.isNull() ? "NULL" : stored.toString().left(80));
}

struct ReadTable {
    AccessTableInfo info;
    QList<AccessColumn> columns;
    QList<QList<AccessValue>> rows;
};

inline ReadTable readWhole(const QString& path, const QString& table, const ReaderOptions& options = {})
{
    struct Collect : TableSink {
        ReadTable read;
        void columns(const AccessTableInfo& i, const QList<AccessColumn>& c) override { read.info = i, read.columns = c; }
        void row(int, const QList<AccessValue>& values) override { read.rows.append(values); }
    } collect;
    readAccessTable(path, table, collect, options);
    return collect.read;
}

inline QVariant storedForm(const AccessValue& value)
{
    switch (value.tag) {
    case stream::ValueTag::Null: return QVariant();
    case stream::ValueTag::Integer:
    case stream::ValueTag::YesNo: return qlonglong(value.integer);
    case stream::ValueTag::Real: return value.real;
    case stream::ValueTag::Currency: return double(value.integer) / 10000.0;
    case stream::ValueTag::Text: return QString::fromUtf8(value.text);
    case stream::ValueTag::Date:
        return accessDate(value.real) ? QVariant(rosterDateText(*accessDate(value.real))) : QVariant("(out of range)");
    default: return QStringLiteral("(unreadable)");
    }
}

inline ProgramRun runRosterTool(const QStringList& args) { return runToEnd(QStringLiteral(VARNEL_ROSTER_TOOL), args); }

} // namespace varnel::legacy::test
