#include "ui_fixture.h"

#include "common/failure.h"
#include "ui/roster_grid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <cmath>
#include <stdexcept>

namespace varnel::ui::test {

QStringList RecordingBoxes::texts() const
{
    QStringList list;
    for (const Box& box : shown)
        list.append(box.text);
    return list;
}

void RecordingBoxes::show(const QString& caption, const QString& text, QMessageBox::Icon icon)
{
    bool visible = false;
    for (QWidget* window : QApplication::topLevelWidgets())
        visible = visible || (window->objectName() == QLatin1String("MainForm") && window->isVisible());
    shown.append({caption, text, icon, visible, QApplication::overrideCursor() != nullptr});
}

void RecordingReport::setAction(qint16 value)
{
    log_->actions.append(value);
    if (log_->failWith != 0)
        throw Failure(log_->failWith, QStringLiteral("Cannot open the report layout file."));
}

namespace {

void check(bool ok, const QSqlQuery& query)
{
    if (!ok)
        throw std::runtime_error(query.lastError().text().toStdString());
}

} // namespace

RosterFile::RosterFile()
{
    static int serial = 0;
    connection_ = QStringLiteral("ui-test-roster-%1").arg(++serial);
    QFile sqlFile(QStringLiteral(VARNEL_SOURCE_DIR "/docs/soldier-table.sql"));
    if (!sqlFile.open(QIODevice::ReadOnly))
        throw std::runtime_error("docs/soldier-table.sql not found");
    QString sql;
    for (const QString& line : QString::fromUtf8(sqlFile.readAll()).split(u'\n')) {
        const qsizetype comment = line.indexOf(QStringLiteral("--"));
        sql += (comment < 0 ? line : line.left(comment)) + u'\n';
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path());
    if (!db.open())
        throw std::runtime_error("cannot create the roster file");
    QSqlQuery query(db);
    for (const QString& statement : sql.split(u';')) {
        if (!statement.trimmed().isEmpty())
            check(query.exec(statement), query);
    }
}

RosterFile::~RosterFile()
{
    QSqlDatabase::database(connection_).close();
    QSqlDatabase::removeDatabase(connection_);
}

QString RosterFile::path() const
{
    return dir_.filePath(QStringLiteral("Varnel_DATA.MDB"));
}

qint64 RosterFile::insert(const QVariantMap& fields)
{
    QSqlQuery query(QSqlDatabase::database(connection_));
    QStringList names, marks;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        names << u'"' + it.key() + u'"';
        marks << QStringLiteral("?");
    }
    check(query.prepare(names.isEmpty() ? QStringLiteral("INSERT INTO Soldier DEFAULT VALUES")
                                        : QStringLiteral("INSERT INTO Soldier (%1) VALUES (%2)")
                                              .arg(names.join(u','), marks.join(u','))),
          query);
    for (const QVariant& value : fields)
        query.addBindValue(value);
    check(query.exec(), query);
    return query.lastInsertId().toLongLong();
}

QList<QVariantMap> RosterFile::records() const
{
    QSqlQuery query(QSqlDatabase::database(connection_));
    check(query.exec(QStringLiteral("SELECT * FROM Soldier ORDER BY ID")), query);
    QList<QVariantMap> list;
    while (query.next()) {
        QVariantMap fields;
        const QSqlRecord record = query.record();
        for (int c = 0; c < record.count(); ++c)
            fields.insert(record.fieldName(c), record.value(c));
        list.append(fields);
    }
    return list;
}

QVariantMap RosterFile::record(qint64 key) const
{
    for (const QVariantMap& fields : records()) {
        if (fields.value(QStringLiteral("ID")).toLongLong() == key)
            return fields;
    }
    return {};
}

QVariantMap RosterFile::recordNamed(const QString& name) const
{
    for (const QVariantMap& fields : records()) {
        if (fields.value(QStringLiteral("Name")).toString() == name)
            return fields;
    }
    return {};
}

FormUnderTest::FormUnderTest(const RosterFile& roster, QDateTime now)
    : clock(std::move(now))
{
    MainFormParts parts;
    parts.messageBoxes = &boxes;
    parts.clock = &clock;
    parts.report1 = std::make_unique<RecordingReport>(reportLog);
    parts.showHelp = [this] { ++helpRequests; };
    parts.showAbout = [this] { ++aboutRequests; };
    form = std::make_unique<MainForm>(std::move(parts));
    form->load(roster.directory());
    form->show();
    QApplication::setActiveWindow(form.get());
    if (!QTest::qWaitForWindowActive(form.get()))
        throw std::runtime_error("the window was not shown");
}

FormUnderTest::~FormUnderTest() = default;

void FormUnderTest::click(const QString& buttonName) const
{
    auto* button = find<QAbstractButton>(buttonName);
    if (!button)
        throw std::runtime_error(("no button " + buttonName).toStdString());
    QTest::mouseClick(button, Qt::LeftButton);
}

void FormUnderTest::pressAccessKey(Qt::Key key) const
{
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), key, Qt::AltModifier);
    QTest::qWait(250);
}

void FormUnderTest::clickRow(int row) const
{
    RosterGrid* grid = form->grid();
    const QModelIndex cell = grid->model()->index(row, 0);
    grid->scrollTo(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
}

int px(const QWidget& widget, int twips)
{
    return int(std::lround(twips * widget.logicalDpiX() / 1440.0));
}

} // namespace varnel::ui::test
