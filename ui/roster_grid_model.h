#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace varnel::store {
class DataControl;
class Value;
} // namespace varnel::store

namespace varnel::ui {

class Handler;

// The roster as the grid shows it: one row per record of the open roster,
// in its order, and below them the blank new-record row. Values are asked
// of the binding for the rows on the screen only, so the model costs the
// same at any roster size. The current record shows its pending values.
//
// A value longer than any clerk types shows its beginning and is not
// editable (ui/long_value.h); its tooltip says why.
//
// Rows and records: row r is the record at position r; row recordRows()
// is the new-record row. Entering the new-record row begins a new record
// (AddNew); typing there fills it, and it is stored when the grid moves off
// it. Store failures go to the handler, never out of the model.
class RosterGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, RankColumn, PebdColumn, DorColumn, ColumnCount };

    RosterGridModel(store::DataControl& binding, const Handler& handler, QObject* parent = nullptr);

    // Headings, bound fields, widths in twips and the longest entry typed.
    static QString heading(int column);
    static QString dataField(int column);
    static int widthTwips(int column);
    static int maxLength(int column);
    // The rank codes the Rank cell offers, in grade order.
    static const QStringList& rankCodes();
    // The marks a record selector shows: current, being edited, new record.
    static QStringList recordMarks();

    int recordRows() const { return rows_ > 0 ? rows_ - 1 : 0; }
    int newRecordRow() const { return rows_ - 1; }
    bool isNewRecordRow(int row) const { return rows_ > 0 && row == rows_ - 1; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Makes the row's record current if it is not, then sets the cell's
    // field pending. A date cell takes any text the roster reads as a date
    // (or nothing, for no value); other text is refused with entryRefused
    // and nothing is set.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The grid's row change: the binding leaves its record for the row's
    // (storing pending values first); the new-record row begins a new
    // record. False when the binding refused (the failure was shown).
    bool makeCurrent(int row);
    // The row of the binding's current record: the new-record row while a
    // new record is being entered, -1 when there is none.
    int currentRow() const;

    // Deletes the records of these rows (the new-record row is ignored) and
    // makes the record after the first deleted one current.
    void deleteRows(QList<int> rows);

    // A new record entered in the grid is stored and becomes current, as if
    // the clerk had moved onto it; a new record nothing was typed into is
    // dropped. Commands run after this, so they work on what the grid shows.
    void storeNewRecord();

    // True while the model follows a change of the binding (rows added,
    // removed, reloaded): the view's own current-row changes then are
    // consequences, not the clerk's moves.
    bool isFollowingBinding() const { return following_ > 0; }

signals:
    // Text typed into the cell at (row, column) was refused; `why` names
    // the column and the forms it takes.
    void entryRefused(int row, int column, const QString& typed, const QString& why);

private:
    void onReset();
    void onRowAppended(int position);
    void onRowRemoved(int position);
    void onRowChanged(int position);
    void onCurrentChanged(int position);
    void markRow(int row);
    store::Value cellValue(int row, int column) const;
    int ordinal(int column) const;

    store::DataControl* binding_;
    const Handler* handler_;
    int rows_ = 0;
    int markedRow_ = -1;
    int removing_ = -1; // the row whose removal is being announced
    int following_ = 0;
    QList<int> ordinals_;
    mutable bool readFailureShown_ = false;
};

} // namespace varnel::ui
