#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

namespace varnel::store {
class DataControl;
}

namespace varnel::ui {

class Handler;
class RosterGridModel;

// The roster grid: a table over RosterGridModel with a record selector at
// the left of each row. Moving to another row moves the binding there; the
// binding's moves (commands, a reload) move the grid's current row. Cells
// are edited in place; the rows selected by their record selectors are
// deleted with the Delete key.
class RosterGrid : public QTableView {
    Q_OBJECT
public:
    RosterGrid(store::DataControl& binding, const Handler& handler, QWidget* parent = nullptr);

    RosterGridModel* rosterModel() const { return model_; }

    // Column widths in twips at this widget's resolution; the record
    // selectors as wide as their widest mark, whichever row shows one.
    void applyColumnWidths();

    // Ends any cell edit, keeping what was typed, and stores a new record
    // the clerk has typed into. Runs before every command of the window.
    void finishEditing();
    // Ends any cell edit, keeping what was typed as pending, and stores
    // nothing.
    void commitOpenEdit();

    // A cell's editor is open: what is typed there is not pending yet.
    bool isEditing() const { return state() == EditingState; }

    // Deletes the records whose rows are selected by their record selectors.
    void deleteSelectedRows();

    // Typing never moves to another soldier: a key on a cell that takes no
    // edit does nothing, where Qt's view would jump to a row beginning with
    // that letter and the next key would edit that soldier.
    void keyboardSearch(const QString& search) override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // A move by Ctrl+Home or Ctrl+End takes the highlight along, as every
    // other move of the current record does.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;
    void keyPressEvent(QKeyEvent* event) override;
    // The keyboard focus coming back picks no row: without a current record
    // there stays none until the clerk picks one.
    void focusInEvent(QFocusEvent* event) override;

private:
    // A refused entry is a failure (3421), shown once the editor has closed;
    // the typed text is then put back into the cell for the clerk to correct
    // (or drop with Escape).
    void reportRefusedEntry(int row, int column, const QString& typed, const QString& why);
    void onViewRowChanged(const QModelIndex& current, const QModelIndex& previous);
    void followBinding();

    store::DataControl* binding_;
    const Handler* handler_;
    RosterGridModel* model_;
    bool following_ = false;
    bool focusArriving_ = false;
};

// Cell editors: Name and the dates are one-line entries with their longest
// entry; Rank is an editable drop-down of the rank codes, ten at a time.
class RosterGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

} // namespace varnel::ui
