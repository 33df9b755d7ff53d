#include "ui_fixture.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QApplication>
#include <QTest>
#include <cmath>

namespace varnel::ui::test {

void RecordingBoxes::show(const QString& caption, const QString& text, QMessageBox::Icon icon)
{
    bool visible = false;
    for (QWidget* window : QApplication::topLevelWidgets())
        visible = visible || (window->objectName() == QLatin1String("MainForm") && window->isVisible());
    shown.append({caption, text, icon, visible, {}, {}, -1});
    if (whileShown)
        whileShown();
}

int RecordingBoxes::ask(const Question& question)
{
    show(question.caption, question.text, question.icon);
    shown.last().details = question.details;
    shown.last().buttons = question.buttons;
    shown.last().escapeButton = question.escapeButton;
    if (answers.isEmpty()) {
        ADD_FAILURE() << "an unexpected question: " << qPrintable(question.text);
        return question.escapeButton >= 0 ? question.escapeButton : 0;
    }
    return answers.takeFirst();
}

QStringList RecordingBoxes::lines() const
{
    QStringList list;
    for (const Box& box : shown)
        list.append(box.caption + " | " + box.text);
    return list;
}

FormUnderTest::FormUnderTest() : clock(QDateTime::currentDateTime())
{
    MainFormParts parts;
    parts.messageBoxes = &boxes;
    parts.clock = &clock;
    parts.reportControl = std::make_unique<RecordingReport>(reportLog);
    parts.showHelp = [this] { ++helpRequests; };
    parts.showAbout = [this] { ++aboutRequests; };
    parts.chooseSaveFile = [this](const QString&, const QString&) { return saveFile; };
    parts.chooseFolder = [this](const QString&, const QString&) { return folderToChoose; };
    parts.chooseFile = [this](const QString&, const QString&, const QString&) { return fileToChoose; };
    form = std::make_unique<MainForm>(std::move(parts));
}

FormUnderTest::FormUnderTest(const RosterFile& roster, QDateTime now) : FormUnderTest()
{
    clock.set(now);
    form->load(roster.directory(), roster.onServer() ? roster.location() : QString());
    form->show();
    QApplication::setActiveWindow(form.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
}

FormUnderTest::~FormUnderTest() = default;

void FormUnderTest::click(const QString& buttonName) const
{
    auto* button = find<QAbstractButton>(buttonName);
    ASSERT_NE(button, nullptr) << qPrintable(buttonName);
    QTest::mouseClick(button, Qt::LeftButton);
}

void FormUnderTest::pressAccessKey(Qt::Key key) const
{
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), key, Qt::AltModifier);
    QTest::qWait(250);
}

QString FormUnderTest::currentName() const
{
    const auto& rs = form->binding().recordset();
    return rs.hasCurrent() ? rs.fieldValue(rs.layout().indexOf(QStringLiteral("Name"))).displayText()
                           : QStringLiteral("<none>");
}

void typeInto(QWidget* widget, const QString& text)
{
    QWidget* target = widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        target = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(target))
        line->selectAll();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget))
        spin->selectAll();
    target->setFocus();
    QTest::keyClicks(target, text);
}

void FormUnderTest::clickRow(int row) const
{
    RosterGrid* grid = form->grid();
    const QModelIndex cell = grid->model()->index(row, 0);
    grid->scrollTo(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
}

QRect drawnRect(const QWidget& widget, int left, int top, int width, int height)
{
    auto pixels = [](int twips, int dpi) { return int(std::lround(twips * dpi / 1440.0)); };
    const int dx = widget.logicalDpiX(), dy = widget.logicalDpiY();
    return QRect(QPoint(pixels(left, dx), pixels(top, dy)),
                 QPoint(pixels(left + width, dx) - 1, pixels(top + height, dy) - 1));
}

} // namespace varnel::ui::test
