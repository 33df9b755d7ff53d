#include "ui/roster_grid.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "store/data_control.h"
#include "ui/handler.h"
#include "ui/roster_grid_model.h"
#include "ui/twips.h"
#include "ui/typing_limit_line_edit.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyleOptionHeader>

namespace varnel::ui {

RosterGrid::RosterGrid(store::DataControl& binding, const Handler& handler, QWidget* parent)
    : QTableView(parent)
    , binding_(&binding)
    , handler_(&handler)
    , model_(new RosterGridModel(binding, handler, this))
{
    setModel(model_);
    setItemDelegate(new RosterGridDelegate(this));
    setEditTriggers(DoubleClicked | SelectedClicked | EditKeyPressed | AnyKeyPressed);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setGridStyle(Qt::SolidLine);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsMovable(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    applyColumnWidths();

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &RosterGrid::onViewRowChanged);
    connect(&binding, &store::DataControl::currentChanged, this, &RosterGrid::followBinding);
    connect(model_, &QAbstractItemModel::modelReset, this, &RosterGrid::followBinding);
    connect(model_, &RosterGridModel::entryRefused, this, &RosterGrid::reportRefusedEntry, Qt::QueuedConnection);
    followBinding();
}

void RosterGrid::applyColumnWidths()
{
    for (int column = 0; column < RosterGridModel::ColumnCount; ++column)
        setColumnWidth(column, twipsToPixelsX(*this, RosterGridModel::widthTwips(column)));
    // The header sizes itself to the marks it shows at the moment; with no
    // current record it would narrow and the columns would jump.
    QHeaderView* selectors = verticalHeader();
    int width = 0;
    for (const QString& mark : RosterGridModel::recordMarks()) {
        QStyleOptionHeader option;
        option.initFrom(selectors);
        option.orientation = Qt::Vertical;
        option.text = mark;
        option.fontMetrics = selectors->fontMetrics();
        width = std::max(width, selectors->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), selectors).width());
    }
    selectors->setFixedWidth(width);
}

QItemSelectionModel::SelectionFlags RosterGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    if (event && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && (key->modifiers() & Qt::ControlModifier)
            && !(key->modifiers() & Qt::ShiftModifier))
            return QItemSelectionModel::ClearAndSelect;
    }
    return QTableView::selectionCommand(index, event);
}

void RosterGrid::reportRefusedEntry(int row, int column, const QString& typed, const QString& why)
{
    handler_->run([&] {
        throw Failure(RecordsetError::TypeConversion, tr("Data type conversion error.") + u' ' + why);
    });
    const QModelIndex cell = model_->index(row, column);
    if (!cell.isValid())
        return;
    setCurrentIndex(cell);
    edit(cell);
    if (auto* line = qobject_cast<QLineEdit*>(indexWidget(cell))) {
        line->setText(typed);
        line->selectAll();
    }
}

void RosterGrid::onViewRowChanged(const QModelIndex& current, const QModelIndex&)
{
    if (following_ || model_->isFollowingBinding() || !current.isValid())
        return;
    // While the binding moves, its own signals must not move the grid back
    // and forth (storing a new record passes through its old position).
    following_ = true;
    model_->makeCurrent(current.row());
    following_ = false;
    followBinding();
}

void RosterGrid::followBinding()
{
    if (following_)
        return;
    following_ = true;
    const int row = model_->currentRow();
    const QModelIndex current = currentIndex();
    if (row < 0) {
        if (current.isValid())
            selectionModel()->clearCurrentIndex();
    } else if (!current.isValid() || current.row() != row) {
        const QModelIndex target = model_->index(row, current.isValid() ? current.column() : 0);
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        scrollTo(target);
    }
    following_ = false;
}

void RosterGrid::finishEditing()
{
    commitOpenEdit();
    model_->storeNewRecord();
}

void RosterGrid::commitOpenEdit()
{
    if (state() == EditingState) {
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
}

void RosterGrid::focusInEvent(QFocusEvent* event)
{
    // Qt's view makes its first cell current when it gets the focus without
    // a current cell; for the roster that would make the first soldier the
    // one the next Delete removes. moveCursor() answers "no cell" meanwhile.
    focusArriving_ = true;
    QTableView::focusInEvent(event);
    focusArriving_ = false;
}

void RosterGrid::deleteSelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    model_->deleteRows(rows);
}

void RosterGrid::keyboardSearch(const QString&)
{
}

void RosterGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && state() != EditingState && !selectionModel()->selectedRows().isEmpty()) {
        deleteSelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex RosterGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    // Without a current record no cell is current either: the focus arriving
    // picks none, and Tab and Shift+Tab pass the focus on through the grid.
    // The arrow keys and a click pick one.
    if (focusArriving_ || (!current.isValid() && (cursorAction == MoveNext || cursorAction == MovePrevious)))
        return QModelIndex();
    if (current.isValid()) {
        const int last = RosterGridModel::ColumnCount - 1;
        const int row = current.row();
        switch (cursorAction) {
        case MoveNext: // Tab: past the last column the focus leaves the grid
            if (current.column() == last)
                return QModelIndex();
            break;
        case MovePrevious:
            if (current.column() == 0)
                return QModelIndex();
            break;
        case MoveRight: // the arrows wrap from row to row
            if (current.column() == last && row + 1 < model_->rowCount())
                return model_->index(row + 1, 0);
            break;
        case MoveLeft:
            if (current.column() == 0 && row > 0)
                return model_->index(row - 1, last);
            break;
        case MoveEnd: // Ctrl+End: the last record, not the row for a new one
            if ((modifiers & Qt::ControlModifier) && model_->recordRows() > 0)
                return model_->index(model_->recordRows() - 1, last);
            break;
        default:
            break;
        }
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

QWidget* RosterGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* line = new TypingLimitLineEdit;
    line->setTypingLimit(RosterGridModel::maxLength(index.column()));
    if (index.column() == RosterGridModel::RankColumn) {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("RankEditor"));
        combo->setEditable(true);
        combo->setLineEdit(line);
        combo->addItems(RosterGridModel::rankCodes());
        combo->setMaxVisibleItems(10);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // Typing a code must not be completed into another one.
        combo->setCompleter(nullptr);
        return combo;
    }
    line->setParent(parent);
    line->setFrame(false);
    return line;
}

void RosterGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        combo->setEditText(text);
        return;
    }
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(text);
}

void RosterGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        model->setData(index, combo->currentText(), Qt::EditRole);
    else if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, line->text(), Qt::EditRole);
}

} // namespace varnel::ui
