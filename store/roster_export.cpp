#include "store/roster_export.h"

#include "common/date_text.h"
#include "common/failure.h"
#include "common/failure_numbers.h"
#include "common/name_order.h"
#include "common/output_target.h"
#include "common/server_connection.h"
#include "common/shipped_files.h"
#include "store/data_control.h"
#include "store/record_layout.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <optional>

namespace varnel::store {

namespace {

QString csvText(const Value& value)
{
    switch (value.kind()) {
    case Value::Kind::Empty:
    case Value::Kind::Null: return QString();
    case Value::Kind::Boolean: return value.asBoolean() ? QStringLiteral("Yes") : QStringLiteral("No");
    case Value::Kind::Date: return isoDateText(value.asDateTime(), value.hasTimeOfDay());
    case Value::Kind::Integer:
    case Value::Kind::Real: return value.displayText();
    case Value::Kind::Text: {
        // Control characters other than the line breaks and tab go first: a
        // program that drops a NUL would otherwise read "\0=1" as the
        // formula "=1", past the guard below.
        QString text = value.asText();
        text.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r'; });
        static const QString formulaStarts = QStringLiteral("=+-@\t\r");
        if (!text.isEmpty() && formulaStarts.contains(text.front()))
            return u'\'' + text;
        return text;
    }
    }
    return QString();
}

// The stamp of a total is text as Total writes it ("12/7/2026", or with
// the system's separator): given as a date like every other.
Value stampAsDate(const Value& value)
{
    if (value.isText()) {
        if (const auto date = parseDateText(value.asText()))
            return Value::date(*date);
    }
    return value;
}

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

class CsvWriter {
public:
    explicit CsvWriter(QIODevice& out) : out_(out)
    {
        if (const auto* file = qobject_cast<const QFileDevice*>(&out))
            name_ = file->fileName();
        write(QByteArrayLiteral("\xEF\xBB\xBF"));
    }
    void line(const QStringList& fields)
    {
        QStringList quoted;
        quoted.reserve(fields.size());
        for (const QString& f : fields)
            quoted << csvField(f);
        write((quoted.join(u',') + QStringLiteral("\r\n")).toUtf8());
    }

private:
    void write(const QByteArray& bytes)
    {
        if (out_.write(bytes) != bytes.size())
            throw Failure(RecordsetError::OutputFailed,
                          QCoreApplication::translate("varnel::store", "Cannot write the CSV file \"%1\": %2. Nothing was written.")
                              .arg(name_, writeFailure()));
    }
    QString writeFailure() const
    {
        const auto* file = qobject_cast<const QFileDevice*>(&out_);
        return file ? writeFailureText(*file) : out_.errorString();
    }
    QIODevice& out_;
    QString name_;
};

// A soldier's place on the merit list: his group, total and name.
struct MeritEntry {
    int position;
    Competition competition;
    Value total;
    QString name;
};

// The merit list's groups and order: the grade soldiers compete for, then
// the total, highest first, then the name in the roster's order; soldiers
// without a total at the end of their group.
std::vector<MeritEntry> meritOrder(Recordset& rs)
{
    rs.takeWholeKeys(true);
    const RecordLayout& layout = rs.layout();
    const int total = layout.indexOf(column::TOTAL);
    const int name = layout.indexOf(column::Name);
    const int rank = layout.indexOf(column::Rank);
    std::vector<MeritEntry> entries;
    entries.reserve(std::size_t(rs.recordCount()));
    for (int p = 0; p < rs.recordCount(); ++p)
        entries.push_back({p, competitionOf(rank >= 0 ? rs.storedValue(p, rank).displayText() : QString()), rs.storedValue(p, total),
                           name >= 0 ? rs.storedValue(p, name).displayText() : QString()});
    std::stable_sort(entries.begin(), entries.end(), [](const MeritEntry& a, const MeritEntry& b) {
        if (a.competition != b.competition)
            return a.competition < b.competition;
        if (a.total.hasValue() != b.total.hasValue())
            return a.total.hasValue();
        if (a.total.hasValue() && isGreater(a.total, b.total))
            return true;
        if (a.total.hasValue() && isLess(a.total, b.total))
            return false;
        return compareNames(a.name, b.name) < 0;
    });
    return entries;
}

// The places of soldiers in `order`, none where there is none: in the
// groups that compete on points equal totals share a place and the next is
// skipped (1, 2, 2, 4); the other groups and soldiers without a total have
// none.
std::vector<std::optional<std::size_t>> meritPlaces(const std::vector<MeritEntry>& order)
{
    std::vector<std::optional<std::size_t>> places(order.size());
    std::size_t groupStart = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MeritEntry& e = order[i];
        if (i == 0 || order[i - 1].competition != e.competition)
            groupStart = i;
        if (!competesOnPoints(e.competition) || !e.total.hasValue())
            continue;
        const bool tied = i > groupStart && !isLess(e.total, order[i - 1].total);
        places[i] = tied ? places[i - 1] : std::optional<std::size_t>(i - groupStart + 1);
    }
    return places;
}

void writeMeritList(Recordset& rs, CsvWriter& csv)
{
    const QStringList columns = {column::Name, column::Rank, QStringLiteral("TISPoints"), QStringLiteral("TIGPoints"),
                                 QStringLiteral("APFTPoints"), QStringLiteral("WeaponPoints"), QStringLiteral("AwardPoints"),
                                 column::FirstSergeantPoints, column::SergeantPoints, column::TOTAL, column::TotalDate};
    QList<int> ordinals;
    for (const QString& c : columns)
        ordinals << rs.layout().indexOf(c);
    const std::vector<MeritEntry> order = meritOrder(rs);
    const std::vector<std::optional<std::size_t>> places = meritPlaces(order);

    csv.line(QStringList{QStringLiteral("Group"), QStringLiteral("Place")} + columns);
    for (std::size_t i = 0; i < order.size(); ++i) {
        QStringList fields{competitionHeading(order[i].competition), places[i] ? QString::number(*places[i]) : QString()};
        for (int c = 0; c < ordinals.size(); ++c) {
            const Value v = ordinals.at(c) >= 0 ? rs.storedValue(order[i].position, ordinals.at(c)) : Value::null();
            fields << csvText(columns.at(c) == column::TotalDate ? stampAsDate(v) : v);
        }
        csv.line(fields);
    }
}

} // namespace

void writeCsv(Recordset& rs, ExportKind kind, QIODevice& out)
{
    rs.takeWholeKeys(true);
    CsvWriter csv(out);
    if (kind == ExportKind::MeritList) {
        writeMeritList(rs, csv);
        return;
    }
    const RecordLayout& layout = rs.layout();
    const int stamp = layout.indexOf(column::TotalDate);
    // The APFT and Weapon codes are followed by what the window shows for
    // them ("270-279", "Sharpshooter"), so the sheet reads as the form does.
    const QHash<int, std::pair<QString, QHash<QString, QString>>> meanings = {
        {layout.indexOf(column::APFT), {QStringLiteral("APFTBand"), codeMeanings(kApftBands)}},
        {layout.indexOf(column::Weapon), {QStringLiteral("WeaponQualification"), codeMeanings(kWeaponQualifications)}},
    };
    QStringList header;
    for (int c = 0; c < layout.count(); ++c) {
        header << layout.at(c).name;
        if (meanings.contains(c))
            header << meanings.value(c).first;
    }
    csv.line(header);
    for (int p = 0; p < rs.recordCount(); ++p) {
        QStringList fields;
        fields.reserve(header.size());
        for (int c = 0; c < layout.count(); ++c) {
            const Value value = rs.storedValue(p, c);
            fields << csvText(c == stamp ? stampAsDate(value) : value);
            if (meanings.contains(c))
                fields << meanings[c].second.value(value.displayText().trimmed().toUpper());
        }
        csv.line(fields);
    }
}

void exportCsv(DataControl& data1, ExportKind kind, const QString& path, bool replace)
{
    const QFileInfo target(path);
    // Never over the roster, nor over a report layout a report would read
    // (the roster folder's own, or those shipped with the program).
    QList<KeptFile> kept;
    if (!data1.location().isServer())
        kept.append({data1.databaseName(), QCoreApplication::translate("varnel::store", "the roster file"), true});
    QStringList folders = shippedFileFolders();
    if (!data1.location().isServer())
        folders.prepend(QFileInfo(data1.databaseName()).absolutePath());
    for (const QString& folder : std::as_const(folders)) {
        for (const QString& layout : {kMeritListLayout, kWorksheetsLayout, kNcoesCourseLayout})
            kept.append({QDir(folder).filePath(layout), QCoreApplication::translate("varnel::store", "a report layout")});
    }
    if (const std::optional<KeptFile> input = keptFileAt(path, kept))
        throw Failure(RecordsetError::WouldOverwriteRoster,
                      QCoreApplication::translate("varnel::store", "The CSV file \"%1\" would be written over %2; choose another name.")
                          .arg(QDir::toNativeSeparators(path), input->what));
    if (target.exists() && !replace)
        throw Failure(RecordsetError::ExistsNotReplaced,
                      QCoreApplication::translate("varnel::store", "The file \"%1\" already exists and was not to be replaced.").arg(path));
    if (target.exists() && !target.isFile())
        throw Failure(RecordsetError::OutputFailed, QCoreApplication::translate("varnel::store", "\"%1\" is not a file; choose another name.").arg(path));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Failure(RecordsetError::OutputFailed, QCoreApplication::translate("varnel::store", "Cannot write the CSV file \"%1\": %2.").arg(path, file.errorString()));
    try {
        writeCsv(data1.recordset(), kind, file);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    // What is still buffered is written now, so a full disk shows here: the
    // commit would rename a file cut short into place as if it were whole.
    if (!file.flush() || file.error() != QFileDevice::NoError || !file.commit())
        throw Failure(RecordsetError::OutputFailed, QCoreApplication::translate("varnel::store", "Cannot write the CSV file \"%1\": %2. Nothing was written.")
                                                        .arg(QDir::toNativeSeparators(path), writeFailureText(file)));
}

} // namespace varnel::store
