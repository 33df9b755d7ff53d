// Writes each shipped report as PDF over generated rosters. Run with
//   build/varnel_reports_bench --benchmark_repetitions=5
// (the defaults below already repeat 5 times and report mean/median).

#include "reports/report_pdf.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QMap>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

const char* const kLayouts[] = {"varnel_list.rpt", "varnel_work.rpt", "varnel_nco.rpt"};

void must(bool ok, const QSqlQuery& query)
{
    if (!ok)
        throw std::runtime_error(query.lastError().text().toStdString());
}

QString schemaSql()
{
    QFile file(QStringLiteral(VARNEL_SOLDIER_TABLE_SQL));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("soldier-table.sql not found");
    QStringList code;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const qsizetype comment = line.indexOf(QStringLiteral("--"));
        code << (comment < 0 ? line : line.left(comment));
    }
    return code.join(u'\n');
}

// One value of a soldier beside the column it goes into.
struct Field {
    const char* column;
    QVariant value;
};

// The INSERT for soldiers given as `fields`, naming their columns in order.
QString insertStatement(const QList<Field>& fields)
{
    QStringList columns, marks;
    for (const Field& field : fields) {
        columns << QStringLiteral("\"%1\"").arg(QLatin1String(field.column));
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO \"Soldier\" (%1) VALUES (%2)").arg(columns.join(u','), marks.join(u','));
}

// A roster of `count` soldiers with varied values (fixed seed): every rank,
// band, weapon and school, awards, both date encodings, one in twenty never
// totalled.
void generateRoster(const QString& path, int count)
{
    static const char* ranks[] = {"PV1", "PV2", "PFC", "SPC", "CPL", "SGT", "SSG", "SFC", "MSG", "1SG", "CSM"};
    static const char* schools[] = {"NONE", "WLC", "ALC", "SLC", "USASMC", "Airborne", ""};
    static const char* weapons[] = {"E", "S", "M"};
    static const char* awards[] = {"MSM", "MSM2", "ARCOM", "ARCOM2", "ARCOM3", "AAM", "AAM2", "AAM3",
                                   "LTR/COM", "LTR/COM2", "LTR/COM3"};
    QRandomGenerator random(20240614);
    const QString name = QStringLiteral("bench-%1").arg(count);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        QSqlQuery query(db);
        for (const QString& statement : schemaSql().split(u';'))
            if (!statement.trimmed().isEmpty())
                must(query.exec(statement), query);
        must(db.transaction(), query);
        for (int i = 0; i < count; ++i) {
            const QDate pebd = QDate(1995, 1, 1).addDays(random.bounded(10000));
            const QDate dor = pebd.addDays(random.bounded(3000));
            const int tis = random.bounded(51), tig = random.bounded(51), apft = 5 * random.bounded(1, 11);
            const int weapon = 10 * random.bounded(1, 6), award = random.bounded(51);
            const int first = random.bounded(200), second = random.bounded(200);
            const bool totalled = i % 20 != 0;
            // A braced list is evaluated in order: the values are drawn in
            // the order they are listed, the same from run to run.
            QList<Field> soldier{
                {"Name", QStringLiteral("Name%1, Given").arg(random.bounded(1000000), 6, 10, QLatin1Char('0'))},
                {"Rank", QString::fromLatin1(ranks[random.bounded(11)])},
                {"TISDate", pebd.toString(Qt::ISODate)},
                {"DORDate", i % 2 ? dor.toString(Qt::ISODate) : dor.toString(QStringLiteral("M/d/yyyy"))},
                {"APFT", QString(QChar(u'A' + random.bounded(10)))},
                {"Weapon", QString::fromLatin1(weapons[random.bounded(3)])},
                {"TISPoints", tis},
                {"TIGPoints", tig},
                {"APFTPoints", apft},
                {"WeaponPoints", weapon},
                {"AwardPoints", award},
                {"1SGTPoints", first},
                {"SSGTPoints", second},
                {"LastSchool", QString::fromLatin1(schools[random.bounded(5)])},
                {"NextSchool", QString::fromLatin1(schools[random.bounded(7)])},
                {"PrefDates", QStringLiteral("after %1 Oct").arg(random.bounded(1, 29))},
                {"TotalDate", totalled ? QStringLiteral("6/%1/2024").arg(random.bounded(1, 31)) : QVariant()},
                {"TOTAL", totalled ? QVariant(tis + tig + apft + weapon + award + first + second) : QVariant()},
            };
            for (const char* column : awards)
                soldier.append({column, random.bounded(4) == 0 ? 1 : 0});
            // Every soldier has the same columns: the first names them.
            if (i == 0)
                must(query.prepare(insertStatement(soldier)), query);
            for (const Field& field : soldier)
                query.addBindValue(field.value);
            must(query.exec(), query);
        }
        must(db.commit(), query);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// One folder per roster size with the roster and the shipped layouts,
// made on first use and kept for all repetitions.
const QTemporaryDir& rosterFolder(int count)
{
    static QMap<int, std::shared_ptr<QTemporaryDir>> folders;
    auto& folder = folders[count];
    if (!folder) {
        folder = std::make_shared<QTemporaryDir>();
        generateRoster(folder->filePath(QStringLiteral("Varnel_DATA.MDB")), count);
        for (const char* layout : kLayouts)
            QFile::copy(QStringLiteral(VARNEL_DATA_DIR "/") + QLatin1String(layout),
                        folder->filePath(QLatin1String(layout)));
    }
    return *folder;
}

void writePdf(benchmark::State& state)
{
    const int count = int(state.range(1));
    const QTemporaryDir& folder = rosterFolder(count);
    const QString layout = folder.filePath(QLatin1String(kLayouts[state.range(0)]));
    const QString pdf = folder.filePath(QStringLiteral("out.pdf"));
    for (auto _ : state)
        varnel::reports::writeReportPdf(layout, pdf);
    state.SetLabel(QStringLiteral("%1, %2 soldiers, %3 KiB PDF")
                       .arg(QLatin1String(kLayouts[state.range(0)]))
                       .arg(count)
                       .arg(QFile(pdf).size() / 1024)
                       .toStdString());
}

BENCHMARK(writePdf)
    ->ArgsProduct({{0, 1, 2}, {1000, 10000}})
    ->ArgNames({"layout", "soldiers"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The floor for the worksheets: a bare Qt loop that writes as many letter
// pages with QPdfWriter, each with a title, a name, 20 label and number
// lines, 10 rules and a page number, and no layout, query or roster at all.
// The worksheets' time over this one is what the report engine adds to
// Qt's own PDF writing.
void barePdfFloor(benchmark::State& state)
{
    const int pages = int(state.range(0));
    const QTemporaryDir& folder = rosterFolder(1000);
    const QString pdf = folder.filePath(QStringLiteral("floor.pdf"));
    for (auto _ : state) {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        QPainter painter(&writer);
        const QFont title(QStringLiteral("DejaVu Sans"), 16, QFont::Bold), body(QStringLiteral("DejaVu Sans"), 10);
        const int width = writer.width(), line = writer.height() / 40;
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                writer.newPage();
            painter.setFont(title);
            painter.drawText(0, line, QStringLiteral("Promotion Point Worksheet"));
            painter.setFont(body);
            painter.drawText(0, 3 * line, QStringLiteral("Name%1, Given").arg(page, 6, 10, QLatin1Char('0')));
            for (int l = 0; l < 20; ++l) {
                painter.drawText(0, (5 + l) * line, QStringLiteral("Label of line %1").arg(l + 1));
                painter.drawText(width * 3 / 4, (5 + l) * line, QString::number((page * 7 + l * 13) % 200));
            }
            for (int r = 0; r < 10; ++r)
                painter.drawLine(0, (5 + 2 * r) * line + line / 4, width, (5 + 2 * r) * line + line / 4);
            painter.drawText(width * 3 / 4, 38 * line, QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
        }
    }
    state.SetLabel(QStringLiteral("bare QPdfWriter loop, %1 pages, %2 KiB PDF").arg(pages).arg(QFile(pdf).size() / 1024).toStdString());
}

BENCHMARK(barePdfFloor)
    ->Arg(1000)
    ->Arg(10000)
    ->ArgNames({"pages"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
