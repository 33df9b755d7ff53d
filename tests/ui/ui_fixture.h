#pragma once

#include "reports/report_control.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/roster_grid.h"

#include "support/fixed_clock.h"
#include "support/roster_file.h"

#include <QComboBox>
#include <functional>
#include <memory>

namespace varnel::ui::test {

using namespace varnel::test;

class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        bool mainWindowVisible; // as the box appeared
        QString details;        // questions only, as the next two
        QStringList buttons;
        int escapeButton = -1;
    };
    void show(const QString& caption, const QString& text, QMessageBox::Icon icon) override;
    // Answers with the next of `answers` (a test that asks more fails).
    int ask(const Question& question) override;
    // Each box as "caption | text".
    QStringList lines() const;
    QList<Box> shown;
    QList<int> answers;
    // Runs while a box is up, as another program would meanwhile.
    std::function<void()> whileShown;
};

class RecordingReport : public reports::ReportControl {
public:
    struct Log {
        QStringList fileNames;
        QList<qint16> actions;
        QList<std::optional<qint64>> onlyRecords; // each narrowing asked for
        QStringList dataSources;
    };
    explicit RecordingReport(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    void setReportFileName(const QString& path) override { log_->fileNames.append(path); }
    void setAction(qint16 value) override { log_->actions.append(value); }
    void setOnlyRecord(std::optional<qint64> key) override { log_->onlyRecords.append(key); }
    void setDataSource(const QString& location) override { log_->dataSources.append(location); }

private:
    std::shared_ptr<Log> log_;
};

struct FormUnderTest {
    explicit FormUnderTest(const RosterFile& roster, QDateTime now = QDateTime::currentDateTime());
    FormUnderTest();
    ~FormUnderTest();

    template <typename T = QWidget>
    T* find(const QString& name) const { return form->findChild<T*>(name); }
    void click(const QString& buttonName) const;
    void pressAccessKey(Qt::Key key) const; // Alt+key where the focus is
    void clickRow(int row) const;           // on its Name cell
    int position() const { return form->binding().recordset().position(); }
    QString cell(int row, int column) const { return form->grid()->model()->index(row, column).data().toString(); }
    QString currentName() const; // or "<none>"

    RecordingBoxes boxes;
    FixedClock clock;
    std::shared_ptr<RecordingReport::Log> reportLog = std::make_shared<RecordingReport::Log>();
    int helpRequests = 0;
    int aboutRequests = 0;
    QString saveFile;
    QString folderToChoose;
    QString fileToChoose;
    std::unique_ptr<MainForm> form;
};

inline QString storedText(const QVariant& value) { return value.isNull() ? QStringLiteral("NULL") : value.toString(); }
// Types `text` into a line edit, spin box or combo box over what it shows.
void typeInto(QWidget* widget, const QString& text);
// A rectangle drawn in twips (1440 to the inch) as pixels.
QRect drawnRect(const QWidget& widget, int left, int top, int width, int height);

} // namespace varnel::ui::test
