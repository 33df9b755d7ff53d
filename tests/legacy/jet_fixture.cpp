#include "jet_fixture.h"

#include "legacy/access_date.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cmath>

namespace varnel::legacy::test {

namespace {

// mdb-export's mark for a field it shows as empty; no value holds it.
const QString kEmptyMark = QStringLiteral("\x01");

// mdb-export's CSV: fields in double quotes (a quote doubled inside) for
// text and dates, bare otherwise; rows end with a line feed outside quotes.
QList<QList<std::optional<QString>>> parseCsv(const QString& text)
{
    QList<QList<std::optional<QString>>> rows;
    QList<std::optional<QString>> row;
    QString field;
    bool quoted = false, inQuotes = false, any = false;
    auto endField = [&] {
        if (!quoted && field == kEmptyMark)
            row.append(std::nullopt);
        else
            row.append(field);
        field.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        any = true;
        if (inQuotes) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"') {
            inQuotes = quoted = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\n') {
            endField();
            rows.append(row);
            row.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any) {
        endField();
        rows.append(row);
    }
    return rows;
}

class Collect : public TableSink {
public:
    explicit Collect(ReadTable& table) : table_(table) {}
    void columns(const AccessTableInfo& info, const QList<AccessColumn>& columns) override
    {
        table_.info = info;
        table_.columns = columns;
    }
    void row(int, const QList<AccessValue>& values) override { table_.rows.append(values); }

private:
    ReadTable& table_;
};

bool closeTo(double a, double b, double relative)
{
    return std::fabs(a - b) <= relative * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

} // namespace

QString jetFile(const QString& name)
{
    return QStringLiteral(VARNEL_JET_DATA "/") + name;
}

QString copyJetFile(const QString& name, const QString& path)
{
    QFile::remove(path);
    if (!QFile::copy(jetFile(name), path))
        ADD_FAILURE() << "cannot copy " << qPrintable(name);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

void swapColumnNames(const QString& path, const QList<std::pair<QString, QString>>& pairs, const QString& anchor)
{
    QByteArray bytes = fileBytes(path);
    // A Jet 4 design stores a column's name as its length in bytes (2
    // bytes) and the name in UTF-16.
    auto stored = [](const QString& name) {
        QByteArray b;
        const auto size = quint16(name.size() * 2);
        b.append(char(size & 0xff)).append(char(size >> 8));
        for (QChar c : name)
            b.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
        return b;
    };
    const qsizetype anchorAt = bytes.indexOf(stored(anchor));
    ASSERT_GE(anchorAt, 0) << "no column " << qPrintable(anchor);
    const qsizetype pageStart = anchorAt - anchorAt % 4096;
    const qsizetype pageEnd = std::min<qsizetype>(pageStart + 4096, bytes.size());
    auto find = [&](const QString& name) {
        const qsizetype at = bytes.indexOf(stored(name), pageStart);
        return at >= 0 && at < pageEnd ? at : -1;
    };
    for (const auto& [a, b] : pairs) {
        ASSERT_EQ(a.size(), b.size()) << qPrintable(a) << " and " << qPrintable(b);
        const qsizetype atA = find(a);
        const qsizetype atB = find(b);
        ASSERT_GE(atA, 0) << "no column " << qPrintable(a);
        bytes.replace(atA, stored(b).size(), stored(b));
        if (atB >= 0)
            bytes.replace(atB, stored(a).size(), stored(a));
    }
    writeFile(path, bytes);
}

void setColumnType(const QString& path, int index, quint8 type)
{
    QByteArray bytes = fileBytes(path);
    // A Jet 4 design lists the columns (25 bytes each, the type first) just
    // before their names; the first name is the key's, "ID".
    const QByteArray firstName("\4\0I\0D\0", 6);
    const qsizetype names = bytes.indexOf(firstName, bytes.indexOf(QByteArray("T\0I\0S\0D\0a\0t\0e\0", 14)) / 4096 * 4096);
    ASSERT_GT(names, 30 * 25);
    const qsizetype at = names - 30 * 25 + index * 25;
    ASSERT_EQ(quint8(bytes[at - index * 25]), stream::jet::Long) << "the key's type where it belongs";
    bytes[at] = char(type);
    writeFile(path, bytes);
}

void replaceOnce(const QString& path, const QByteArray& from, const QByteArray& to)
{
    ASSERT_EQ(from.size(), to.size());
    QByteArray bytes = fileBytes(path);
    const qsizetype at = bytes.indexOf(from);
    ASSERT_GE(at, 0) << "not in the file";
    ASSERT_EQ(bytes.indexOf(from, at + 1), -1) << "more than once in the file";
    bytes.replace(at, to.size(), to);
    writeFile(path, bytes);
}

Export mdbExport(const QString& path, const QString& table)
{
    QProcess tool;
    tool.start(QStringLiteral(VARNEL_MDB_EXPORT),
               {QStringLiteral("-0"), kEmptyMark, QStringLiteral("-D"), QStringLiteral("%Y-%m-%d %H:%M:%S"),
                QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), path, table});
    Export result;
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        ADD_FAILURE() << "mdb-export failed on " << qPrintable(path) << ": "
                      << tool.readAllStandardError().toStdString();
        return result;
    }
    QList<QList<std::optional<QString>>> rows = parseCsv(QString::fromUtf8(tool.readAllStandardOutput()));
    if (rows.isEmpty())
        return result;
    for (const auto& name : rows.takeFirst())
        result.header << name.value_or(QString());
    result.rows = rows;
    return result;
}

QString differenceFromExport(const std::optional<QString>& exported, const QVariant& stored, quint8 type)
{
    namespace jet = stream::jet;
    const QString shown = stored.isNull() ? QStringLiteral("NULL") : stored.toString();
    if (!exported) {
        // libmdb shows NULL and empty text alike.
        if (stored.isNull() || ((type == jet::Text || type == jet::Memo) && stored.toString().isEmpty()))
            return {};
        return QStringLiteral("mdb-export shows nothing, the roster holds %1").arg(shown);
    }
    const QString& e = *exported;
    const QString mismatch = QStringLiteral("mdb-export shows \"%1\", the roster holds %2").arg(e.left(80), shown.left(80));
    if (stored.isNull())
        return mismatch;
    switch (type) {
    case jet::Boolean:
    case jet::Byte:
    case jet::Integer:
    case jet::Long: {
        bool ok = false;
        return stored.typeId() == QMetaType::LongLong && stored.toLongLong() == e.toLongLong(&ok) && ok ? QString() : mismatch;
    }
    case jet::Currency:
    case jet::Double:
    case jet::Single: {
        bool ok = false;
        const double x = e.toDouble(&ok);
        return ok && closeTo(stored.toDouble(), x, type == jet::Single ? 1e-7 : 1e-15) ? QString() : mismatch;
    }
    case jet::DateTime: {
        const QString text = stored.toString();
        const QDateTime expected = QDateTime::fromString(e, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const bool midnight = expected.time() == QTime(0, 0);
        // The roster's text has the time of day only when there is one.
        const QString want = midnight ? expected.toString(QStringLiteral("yyyy-MM-dd"))
                                      : expected.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return expected.isValid() && text == want ? QString() : mismatch;
    }
    default:
        return stored.typeId() == QMetaType::QString && stored.toString() == e ? QString() : mismatch;
    }
}

ReadTable readWhole(const QString& path, const QString& table, const ReaderOptions& options)
{
    ReadTable result;
    Collect collect(result);
    readAccessTable(path, table, collect, options);
    return result;
}

QVariant storedForm(const AccessValue& value)
{
    switch (value.tag) {
    case stream::ValueTag::Null: return QVariant();
    case stream::ValueTag::Integer:
    case stream::ValueTag::YesNo: return qlonglong(value.integer);
    case stream::ValueTag::Real: return value.real;
    case stream::ValueTag::Currency: return double(value.integer) / 10000.0;
    case stream::ValueTag::Text: return QString::fromUtf8(value.text);
    case stream::ValueTag::Date: {
        const auto date = accessDate(value.real);
        return date ? QVariant(rosterDateText(*date)) : QVariant(QStringLiteral("(out of range)"));
    }
    default: return QStringLiteral("(unreadable)");
    }
}

ToolRun runRosterTool(const QStringList& args)
{
    return varnel::test::runToEnd(QStringLiteral(VARNEL_ROSTER_TOOL), args);
}

QStringList folderEntries(const QString& dir)
{
    QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

} // namespace varnel::legacy::test
