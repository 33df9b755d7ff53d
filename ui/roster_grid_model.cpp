#include "ui/roster_grid_model.h"

#include "common/failure.h"
#include "store/data_control.h"
#include "common/date_text.h"
#include "store/record_layout.h"
#include "ui/binding_link.h"
#include "ui/handler.h"
#include "ui/long_value.h"

#include <QApplication>
#include <algorithm>

namespace varnel::ui {

namespace {
struct Following {
    explicit Following(int& depth) : depth_(depth) { ++depth_; }
    ~Following() { --depth_; }
    int& depth_;
};
} // namespace

using store::Recordset;
using store::Value;

namespace {

struct GridColumn {
    const char* heading;
    const QString& field;
    int widthTwips;
    int maxLength;
};

const GridColumn& gridColumn(int column)
{
    static const GridColumn columns[] = {
        {"Name", store::column::Name, 2220, 25},
        {"Rank", store::column::Rank, 870, 3},
        {"PEBD", store::column::TISDate, 1110, 19},
        {"DOR", store::column::DORDate, 1155, 19},
    };
    return columns[std::clamp(column, 0, int(RosterGridModel::ColumnCount) - 1)];
}

bool isDateColumn(int column)
{
    return column == RosterGridModel::PebdColumn || column == RosterGridModel::DorColumn;
}

// The record selector's marks: the current record, the current record with
// changes not yet stored, the new-record row, and the current record with
// changes not yet stored that another writer changed meanwhile.
const QString kCurrentMark = QStringLiteral("\u25B6");
const QString kEditingMark = QStringLiteral("\u270E");
const QString kNewRecordMark = QStringLiteral("*");
const QString kChangedElsewhereMark = QStringLiteral("\u26A0");

} // namespace

RosterGridModel::RosterGridModel(store::DataControl& binding, const Handler& handler, QObject* parent)
    : QAbstractTableModel(parent)
    , binding_(&binding)
    , handler_(&handler)
{
    connect(&binding, &store::DataControl::reset, this, &RosterGridModel::onReset);
    connect(&binding, &store::DataControl::rowAppended, this, &RosterGridModel::onRowAppended);
    connect(&binding, &store::DataControl::rowRemoved, this, &RosterGridModel::onRowRemoved);
    connect(&binding, &store::DataControl::rowChanged, this, &RosterGridModel::onRowChanged);
    connect(&binding, &store::DataControl::currentChanged, this, &RosterGridModel::onCurrentChanged);
    onReset();
}

QString RosterGridModel::heading(int column) { return QString::fromLatin1(gridColumn(column).heading); }
QString RosterGridModel::dataField(int column) { return gridColumn(column).field; }
int RosterGridModel::widthTwips(int column) { return gridColumn(column).widthTwips; }
int RosterGridModel::maxLength(int column) { return gridColumn(column).maxLength; }

QStringList RosterGridModel::recordMarks()
{
    return {kCurrentMark, kEditingMark, kNewRecordMark, kChangedElsewhereMark};
}

const QStringList& RosterGridModel::rankCodes()
{
    static const QStringList codes = {
        QStringLiteral("PV1"), QStringLiteral("PV2"), QStringLiteral("PFC"), QStringLiteral("SPC"),
        QStringLiteral("CPL"), QStringLiteral("SGT"), QStringLiteral("SSG"), QStringLiteral("SFC"),
        QStringLiteral("MSG"), QStringLiteral("1SG"), QStringLiteral("CSM"), QStringLiteral("CSA"),
    };
    return codes;
}

int RosterGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int RosterGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int RosterGridModel::ordinal(int column) const
{
    return ordinals_.value(column, -1);
}

Value RosterGridModel::cellValue(int row, int column) const
{
    if (!binding_->isOpen())
        return Value::null();
    if (isNewRecordRow(row)) {
        // Blank until a new record is begun; then what has been typed.
        if (binding_->recordset().editMode() == Recordset::EditMode::AddNew)
            return binding_->shownValue(dataField(column));
        return Value::null();
    }
    // While a removal is announced, the rows keep their old places: the
    // binding has already dropped the record, so the rows below it are
    // one position up there.
    int position = row;
    if (removing_ >= 0 && row >= removing_) {
        if (row == removing_)
            return Value::null();
        position = row - 1;
    }
    try {
        return binding_->displayValue(position, ordinal(column));
    } catch (const Failure& failure) {
        // A read failing while the grid paints: blank cells, and the
        // failure shown once, after the paint, so boxes cannot pile up.
        if (!readFailureShown_) {
            readFailureShown_ = true;
            const Handler* handler = handler_;
            // A command's own failure box, up already, says the same.
            QMetaObject::invokeMethod(
                const_cast<RosterGridModel*>(this),
                [handler, failure] {
                    if (!QApplication::activeModalWidget())
                        handler->run([&] { throw failure; });
                },
                Qt::QueuedConnection);
        }
        return Value::null();
    }
}

QVariant RosterGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= ColumnCount)
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    const QString text = cellValue(index.row(), index.column()).displayText();
    // A long value shows its beginning and says why (the whole text is
    // never laid out); the edit role keeps the whole text for comparisons.
    if (role == Qt::ToolTipRole)
        return long_value::isLong(text) ? QVariant(long_value::explanation(text.size())) : QVariant();
    return role == Qt::DisplayRole ? long_value::shown(text) : text;
}

QVariant RosterGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The clerk's entries wait for a soldier another clerk or program
    // changed meanwhile: Update will ask which version stands.
    const bool changedElsewhere = orientation == Qt::Vertical && section == markedRow_ && binding_->hasPending()
        && binding_->isOpen() && binding_->recordset().currentChangedElsewhere();
    if (role == Qt::ToolTipRole && changedElsewhere)
        return tr("Changed elsewhere since you began: Update asks which version stands.");
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < ColumnCount ? QVariant(heading(section)) : QVariant();
    if (section == markedRow_)
        return binding_->hasPending() ? (changedElsewhere ? kChangedElsewhereMark : kEditingMark) : kCurrentMark;
    if (isNewRecordRow(section))
        return kNewRecordMark;
    return QString();
}

Qt::ItemFlags RosterGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // A long value is never edited here: a cell's editor holds at most
    // 32,767 characters, and closing it would store what it holds, cutting
    // the value.
    if (index.row() < rows_ && index.column() < ColumnCount
        && long_value::isLong(cellValue(index.row(), index.column()).displayText()))
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool RosterGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rows_)
        return false;
    const int row = index.row();
    const int column = index.column();
    const QString text = value.toString();
    // Leaving a cell unchanged changes nothing, even a date cell holding
    // text that is no date.
    if (text == data(index, Qt::EditRole).toString())
        return true;

    Value entry = textFieldValue(text);
    if (isDateColumn(column) && !text.trimmed().isEmpty()) {
        const auto date = varnel::parseDateText(text);
        if (!date) {
            emit entryRefused(row, column, text,
                              tr("\"%1\" is not a date. Type the %2 as month/day/year (3/15/2004, 3-15-04, "
                                 "3/15 for this year), as year-month-day (2004-03-15) or with the month's name "
                                 "(Mar 15, 2004 or 15-Mar-2004), optionally with a time (1:30 PM).")
                                  .arg(text, heading(column)));
            return false;
        }
        entry = Value::date(*date);
    } else if (isDateColumn(column)) {
        entry = Value::null();
    }

    const bool stored = makeCurrent(row) && handler_->run([&] { binding_->setPending(dataField(column), entry); });
    if (stored && isNewRecordRow(row)) {
        // The binding reports pending changes of stored records only.
        emit dataChanged(this->index(row, 0), this->index(row, ColumnCount - 1));
        markRow(currentRow());
    }
    return stored;
}

bool RosterGridModel::makeCurrent(int row)
{
    return handler_->run([&] {
        if (!binding_->isOpen() || row < 0 || row >= rows_)
            return;
        Recordset& rs = binding_->recordset();
        const bool adding = rs.editMode() == Recordset::EditMode::AddNew;
        if (isNewRecordRow(row)) {
            if (!adding)
                rs.addNew();
        } else if (adding || !rs.hasCurrent() || rs.position() != row) {
            rs.moveTo(row);
        }
    });
}

int RosterGridModel::currentRow() const
{
    if (!binding_->isOpen())
        return -1;
    const Recordset& rs = const_cast<store::DataControl*>(binding_)->recordset();
    if (rs.editMode() == Recordset::EditMode::AddNew)
        return newRecordRow();
    return rs.hasCurrent() ? rs.position() : -1;
}

void RosterGridModel::deleteRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([this](int row) { return row < 0 || row >= recordRows(); });
    if (rows.isEmpty())
        return;
    handler_->run([&] {
        Recordset& rs = binding_->recordset();
        // The soldiers the clerk selected, by key: the roster may be read
        // again on the way (another program's change), moving the rows.
        QList<qint64> keys;
        for (int row : rows)
            keys << rs.keyAt(row);
        const Recordset::NamedStep step(rs, rows.size() == 1 ? QString() : tr("Delete of %1 soldiers").arg(rows.size()));
        int next = -1;
        for (qint64 key : keys) {
            const int row = rs.positionOf(key);
            if (row < 0)
                continue;
            rs.moveTo(row);
            rs.deleteRecord();
            next = row;
        }
        // The record after the first one deleted becomes current; after the
        // last record there is none, as after the Delete button.
        if (next >= 0 && next < rs.recordCount())
            rs.moveTo(next);
    });
}

void RosterGridModel::storeNewRecord()
{
    handler_->run([&] {
        if (!binding_->isOpen())
            return;
        Recordset& rs = binding_->recordset();
        if (rs.editMode() != Recordset::EditMode::AddNew)
            return;
        if (!binding_->hasPending()) {
            rs.cancelUpdate();
            return;
        }
        rs.update();
        rs.moveLast();
    });
}

void RosterGridModel::onReset()
{
    Following following(following_);
    beginResetModel();
    rows_ = binding_->isOpen() ? binding_->recordset().recordCount() + 1 : 0;
    ordinals_.clear();
    for (int column = 0; column < ColumnCount; ++column)
        ordinals_.append(binding_->isOpen() ? binding_->recordset().layout().indexOf(dataField(column)) : -1);
    markedRow_ = currentRow();
    readFailureShown_ = false;
    endResetModel();
}

void RosterGridModel::onRowAppended(int position)
{
    Following following(following_);
    // The binding has already appended the record; the model's own count
    // follows inside the insertion, as views require.
    beginInsertRows(QModelIndex(), position, position);
    ++rows_;
    if (markedRow_ >= position)
        ++markedRow_;
    endInsertRows();
}

void RosterGridModel::onRowRemoved(int position)
{
    Following following(following_);
    if (position < 0 || position >= recordRows())
        return;
    removing_ = position;
    beginRemoveRows(QModelIndex(), position, position);
    removing_ = -1;
    --rows_;
    if (markedRow_ == position)
        markedRow_ = -1;
    else if (markedRow_ > position)
        --markedRow_;
    endRemoveRows();
}

void RosterGridModel::onRowChanged(int position)
{
    if (position < 0 || position >= recordRows())
        return;
    emit dataChanged(index(position, 0), index(position, ColumnCount - 1));
    if (position == markedRow_)
        emit headerDataChanged(Qt::Vertical, position, position);
}

void RosterGridModel::onCurrentChanged(int)
{
    markRow(currentRow());
    // A new record begun or dropped changes what the new-record row shows.
    if (rows_ > 0)
        emit dataChanged(index(newRecordRow(), 0), index(newRecordRow(), ColumnCount - 1));
}

void RosterGridModel::markRow(int row)
{
    const int old = markedRow_;
    markedRow_ = row;
    for (int section : {old, row}) {
        if (section >= 0 && section < rows_)
            emit headerDataChanged(Qt::Vertical, section, section);
    }
}

} // namespace varnel::ui
