#pragma once

#include "reports/report_control.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include "support/fixed_clock.h"
#include "support/roster_file.h"

#include <QComboBox>
#include <functional>
#include <memory>

namespace varnel::ui::test {

using namespace varnel::test;

// Message boxes that are recorded instead of shown.
class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        // What the clerk saw as the box appeared.
        bool mainWindowVisible;
        bool busyPointer;
        // Questions only.
        QString details;
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

// Report1 that records the two requests and can be told to fail.
class RecordingReport : public reports::ReportControl {
public:
    struct Log {
        QStringList fileNames;
        QList<qint16> actions;
        QList<std::optional<qint64>> onlyRecords; // each narrowing asked for
        QStringList dataSources; // each data source asked for
        int failWith = 0; // an engine error number, or 0
    };
    explicit RecordingReport(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    void setReportFileName(const QString& path) override { log_->fileNames.append(path); }
    void setAction(qint16 value) override;
    void setOnlyRecord(std::optional<qint64> key) override { log_->onlyRecords.append(key); }
    void setDataSource(const QString& location) override { log_->dataSources.append(location); }

private:
    std::shared_ptr<Log> log_;
};

// The main window over a roster (a file, or on the tests' server as
// `varnel --database` opens it), with recorded message boxes, a fixed
// clock, a recording report control and counted help and About requests.
struct FormUnderTest {
    explicit FormUnderTest(const RosterFile& roster, QDateTime now = QDateTime::currentDateTime());
    // The window with no roster open, as a start from the desktop leaves it
    // before there is one.
    FormUnderTest();
    ~FormUnderTest();

    template <typename T = QWidget>
    T* find(const QString& name) const { return form->findChild<T*>(name); }
    void click(const QString& buttonName) const;
    // Presses Alt and the key where the focus is; waits for the button's
    // click, which an access key animates for a moment.
    void pressAccessKey(Qt::Key key) const;
    // Makes the grid's row current as a click on its Name cell does.
    void clickRow(int row) const;
    int position() const { return form->binding().recordset().position(); }
    // What the grid shows in a cell.
    QString cell(int row, int column) const;
    // The current record's Name, or "<none>".
    QString currentName() const;

    RecordingBoxes boxes;
    FixedClock clock;
    std::shared_ptr<RecordingReport::Log> reportLog = std::make_shared<RecordingReport::Log>();
    int helpRequests = 0;
    int aboutRequests = 0;
    // What File > Export is told to write to next; empty cancels.
    QString saveFile;
    // What the folder and file choosers answer; empty cancels.
    QString folderToChoose;
    QString fileToChoose;
    std::unique_ptr<MainForm> form;
};

// A stored value as text, "NULL" when it has none.
inline QString storedText(const QVariant& value) { return value.isNull() ? QStringLiteral("NULL") : value.toString(); }
// Types `text` into a line edit, spin box or combo box over what it shows.
void typeInto(QWidget* widget, const QString& text);
// The entries of a combo box's list.
QStringList itemsOf(const QComboBox& combo);

// 1440 twips to the inch, at the widget's logical resolution.
int px(const QWidget& widget, int twips);
// A rectangle drawn in twips as pixels of the widget's logical resolution;
// both edges are converted, so controls that touch in twips touch on the
// screen.
QRect drawnRect(const QWidget& widget, int left, int top, int width, int height);

} // namespace varnel::ui::test
