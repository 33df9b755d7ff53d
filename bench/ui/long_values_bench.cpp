// The main window with very long values: a record whose Name, PrefDates and
// LastSchool another program filled with megabytes of text.
//
//   varnel-bench-long-values --prepare BYTES [--accented]
//       Turns the roster of the current directory into the benchmark's
//       roster: one probe record ("AARON, PROBE") with a service history
//       Total accepts, and, sorted just above it, records for Delete to
//       take. With BYTES > 0 the probe's Name, PrefDates and LastSchool are
//       each BYTES characters long (with --accented, of accented letters, as
//       names of many languages are); with 0 they are ordinary values, the
//       baseline roster. The rosters have the same rows in the same order.
//
//   varnel-bench-long-values [--runs N]
//       Opens the window on the roster of the current directory, as the
//       program's main() does, and times every command the clerk can start
//       with the probe record in view, N times each (default 5): each time
//       from the clerk's click until the window has repainted what the
//       command changed. Prints one line per command with every time, then
//       whether the probe's stored values are still byte for byte those of
//       the file before the run.

#include "probe.h"

#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/roster_grid.h"
#include "ui/roster_grid_model.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <map>

namespace {

const QString kProbeName = QStringLiteral("AARON, PROBE");
// Delete removes one of these per run; they sort just above the probe.
const QString kDeletePrefix = QStringLiteral("AARON, PROBA ");
// Few enough that the probe stays in the grid's first screenful after Sort,
// with the empty records Add appends (no name sorts first) above it.
constexpr int kDeleteRecords = 6;

QString rosterPath()
{
    return QDir::current().filePath(QStringLiteral("Varnel_DATA.MDB"));
}

QSqlDatabase openRoster(const QString& connection)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(rosterPath());
    if (!db.open()) {
        std::fprintf(stderr, "varnel-bench-long-values: %s\n", qPrintable(db.lastError().text()));
        std::exit(1);
    }
    return db;
}

void exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        std::fprintf(stderr, "varnel-bench-long-values: %s\n", qPrintable(query.lastError().text()));
        std::exit(1);
    }
}

// Words and spaces, as a text pasted or written by another program would
// have them, `length` characters long.
QString longText(const QString& start, int length, bool accented)
{
    static const QString words = QStringLiteral(
        " with notes carried over from another program; dates 1/2/2024, 3/4/2025 and more");
    static const QString accentedWords = QStringLiteral(" Ångström Zoë Müller-Lüdenscheidt Çağlar Đặng Ñúñez éé Ørsted");
    const QString& filler = accented ? accentedWords : words;
    QString text = start;
    text.reserve(length);
    while (text.size() < length)
        text += filler;
    text.truncate(length);
    return text;
}

int prepare(qint64 bytes, bool accented)
{
    QSqlDatabase db = openRoster(QStringLiteral("prepare"));
    const bool isLong = bytes > 0;
    exec(db, QStringLiteral(
             "UPDATE Soldier SET Name = ?, PrefDates = ?, LastSchool = ?, TISDate = '2005-06-01', "
             "DORDate = '2016-03-01', APFT = 'B', Weapon = 'E', SSGTPoints = 120, \"1SGTPoints\" = 80 "
             "WHERE _rowid_ = (SELECT MIN(_rowid_) FROM Soldier)"),
         {isLong ? longText(kProbeName, int(bytes), accented) : kProbeName,
          isLong ? longText(QStringLiteral("JAN-MAR 2027"), int(bytes), accented) : QStringLiteral("JAN-MAR 2027"),
          isLong ? longText(QStringLiteral("WLC"), int(bytes), accented) : QStringLiteral("WLC")});
    // Records without a name sort first; give them one, so that the probe
    // starts in the grid's first screenful.
    exec(db, QStringLiteral("UPDATE Soldier SET Name = 'ZULU, NO NAME ' || _rowid_ WHERE Name IS NULL"));
    for (int i = 1; i <= kDeleteRecords; ++i)
        exec(db, QStringLiteral("INSERT INTO Soldier (Name, Rank) VALUES (?, 'SPC')"),
             {kDeletePrefix + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'))});
    db.close();
    return 0;
}

// A fingerprint of the probe's stored texts.
QByteArray probeFingerprint()
{
    QByteArray fingerprint;
    {
        QSqlDatabase db = openRoster(QStringLiteral("fingerprint"));
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT Name, PrefDates, LastSchool FROM Soldier WHERE Name >= ? AND Name < ?"));
        query.addBindValue(kProbeName);
        query.addBindValue(kProbeName + QChar(0xFFFF));
        query.exec();
        QCryptographicHash hash(QCryptographicHash::Sha256);
        int found = 0;
        while (query.next()) {
            ++found;
            for (int c = 0; c < 3; ++c)
                hash.addData(query.value(c).toString().toUtf8() + '\0');
        }
        fingerprint = hash.result().toHex().left(16) + " records=" + QByteArray::number(found);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fingerprint"));
    return fingerprint;
}

// Messages are counted, never shown: a modal box would stop the run.
class CountingBoxes : public varnel::ui::MessageBoxes {
public:
    void show(const QString& caption, const QString& text, QMessageBox::Icon) override
    {
        ++count;
        if (count <= 3)
            std::fprintf(stderr, "message: %s | %s\n", qPrintable(caption), qPrintable(text.left(200)));
    }
    int ask(const varnel::ui::Question& question) override
    {
        show(question.caption, question.text, question.icon);
        return 0;
    }
    int count = 0;
};

class Run {
public:
    explicit Run(varnel::ui::MainForm& form) : form_(form), grid_(form.grid()) {}

    // The probe's row: its place in name order, as the grid shows it.
    int probeRow() const
    {
        auto* model = grid_->rosterModel();
        for (int row = 0; row < model->recordRows(); ++row) {
            if (model->index(row, 0).data().toString().startsWith(kProbeName))
                return row;
        }
        std::fprintf(stderr, "varnel-bench-long-values: no probe record; run --prepare first\n");
        std::exit(1);
    }

    // Lets the window process what the last step posted: deferred repaints,
    // queued signals, the menu's showing.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    void clickRow(int row)
    {
        const QModelIndex cell = grid_->model()->index(row, 0);
        grid_->scrollTo(cell);
        QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, grid_->visualRect(cell).center());
    }

    void click(const char* name)
    {
        QTest::mouseClick(form_.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
    }

    void goTo(int row)
    {
        clickRow(row);
        settle();
    }

    template <typename Step>
    void time(const char* name, Step step)
    {
        QElapsedTimer timer;
        timer.start();
        step();
        settle();
        times_[name].ms.push_back(bench::milliseconds(timer));
        order(name);
    }

    void measureOnce()
    {
        int probe = probeRow();

        goTo(probe);
        // QMainWindow::repaint() paints the frame only here; its client
        // area (inside the scroll area that holds it) and menu bar are
        // repainted one by one, children included.
        time("repaint_window", [&] {
            form_.findChild<QWidget*>(QStringLiteral("MainFormClient"))->repaint();
            form_.menuBar()->repaint();
        });
        time("repaint_grid", [&] { grid_->viewport()->repaint(); });

        goTo(probe + 1);
        time("move_onto_record", [&] { clickRow(probe); });
        time("move_off_record", [&] { clickRow(probe + 1); });

        goTo(probe);
        time("focus_prefdates", [&] {
            QTest::mouseClick(form_.findChild<QLineEdit*>(QStringLiteral("PrefDates")), Qt::LeftButton);
        });
        time("update", [&] { click("Command3"); });
        time("total", [&] { click("Command5"); });

        // Delete the record just above the probe: the probe becomes current.
        goTo(probe - 1);
        time("delete", [&] { click("Command2"); });
        probe = probeRow();

        goTo(probe);
        time("add", [&] { click("Command1"); });

        goTo(probe);
        time("sort", [&] { click("Command4"); });

        // The File menu, opened by a click on the menu bar, until painted.
        goTo(probeRow());
        QMenuBar* bar = form_.menuBar();
        QMenu* file = form_.findChild<QMenu*>(QStringLiteral("MNU_FILE"));
        time("open_file_menu", [&] {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
            settle();
            file->repaint();
        });
        file->hide();
        settle();
    }

    void print() const
    {
        for (const std::string& name : order_) {
            const bench::StepTimes& steps = times_.at(name);
            std::printf("command=%s median_ms=%.2f max_ms=%.2f runs=%zu times_ms=", name.c_str(),
                        steps.percentile(0.5), steps.max(), steps.ms.size());
            for (size_t i = 0; i < steps.ms.size(); ++i)
                std::printf("%s%.2f", i ? "," : "", steps.ms[i]);
            std::printf("\n");
        }
    }

private:
    void order(const char* name)
    {
        if (std::find(order_.begin(), order_.end(), name) == order_.end())
            order_.push_back(name);
    }

    varnel::ui::MainForm& form_;
    varnel::ui::RosterGrid* grid_;
    std::map<std::string, bench::StepTimes> times_;
    std::vector<std::string> order_;
};

} // namespace

int main(int argc, char* argv[])
{
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--prepare") == 0) {
        QCoreApplication app(argc, argv); // for the SQLite driver plugin
        return prepare(QByteArray(argv[2]).toLongLong(), argc == 4 && std::strcmp(argv[3], "--accented") == 0);
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int runs = 5;
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
        runs = std::clamp(args.at(at + 1).toInt(), 1, kDeleteRecords);

    const QByteArray before = probeFingerprint();

    // As app/main.cpp, with messages counted instead of shown.
    varnel::ui::setUpApplication();
    CountingBoxes boxes;
    varnel::ui::MainFormParts parts;
    parts.messageBoxes = &boxes;
    QElapsedTimer sinceStart;
    sinceStart.start();
    varnel::ui::MainForm form(std::move(parts));
    if (!varnel::ui::loadFromCurrentDirectory(form))
        return 1;

    int exitCode = 0;
    bench::FirstPaintProbe probe(form.grid()->viewport(), [&] {
        std::printf("command=first_paint median_ms=%.2f max_ms=%.2f runs=1\n", bench::milliseconds(sinceStart),
                    bench::milliseconds(sinceStart));
        Run run(form);
        for (int i = 0; i < runs; ++i)
            run.measureOnce();
        run.print();
        const QByteArray after = probeFingerprint();
        std::printf("probe_kept=%s messages=%d peak_rss_mib=%.1f\n", before == after ? "yes" : "NO", boxes.count,
                    bench::peakRssMiB());
        std::fflush(stdout);
        exitCode = before == after ? 0 : 3;
        QCoreApplication::exit(exitCode);
    });
    form.show();
    QTimer::singleShot(3600 * 1000, [] { QCoreApplication::exit(2); });
    return QApplication::exec();
}
