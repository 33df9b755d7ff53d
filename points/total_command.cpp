#include "points/total_command.h"

#include "points/clock.h"
#include "points/message_sink.h"
#include "points/total_date_label.h"
#include "points/worksheet.h"
#include "store/data_control.h"
#include "store/record_conflict.h"
#include "store/record_layout.h"
#include "store/recordset.h"

#include <QCoreApplication>

namespace varnel::points {

using store::Value;

namespace {

// Keeps track of the edit the command has open, so that leaving the command
// early (a refused date or a store failure) never leaves a half-written
// worksheet in the edit buffer for a later save to store.
class OpenEdit {
public:
    explicit OpenEdit(store::Recordset& rs) : rs_(rs) {}
    ~OpenEdit()
    {
        if (!open_)
            return;
        try {
            rs_.cancelUpdate();
        } catch (...) {
            // A failure while cancelling must not replace the one that is
            // already on its way to the user.
        }
    }
    OpenEdit(const OpenEdit&) = delete;
    OpenEdit& operator=(const OpenEdit&) = delete;

    void edit()
    {
        rs_.edit();
        open_ = true;
    }
    void update()
    {
        rs_.update();
        open_ = false;
    }

private:
    store::Recordset& rs_;
    bool open_ = false;
};

} // namespace

void totalCommand(store::DataControl& data1, MessageSink& messages, Clock& clock,
                  TotalDateLabel& totalDateLabel, QChar dateSeparator)
{
    store::Recordset& rs = data1.recordset();
    // The entries stored first and the worksheet are one step for Undo.
    const QString name = store::nameInCaption(data1.shownValue(store::column::Name).displayText());
    const store::Recordset::NamedStep step(rs, name.isEmpty() ? QCoreApplication::translate("varnel::points", "Total")
                                                               : QCoreApplication::translate("varnel::points", "Total of %1").arg(name));

    // Store what the form shows, so every read below sees it. Should this
    // fail, the clerk's entries stay pending in the form, not dropped.
    rs.edit();
    rs.update();

    const auto field = [&rs](int i) { return rs.fields(i).value(); };
    const Worksheet sheet = workOutWorksheet(field, [&clock] { return clock.now(); });

    // Months of service: refused before anything of the worksheet is written.
    if (sheet.refused == Worksheet::Refusal::Pebd) {
        messages.show(kErrorCaption, kPebdNotValid, MessageIcon::Exclamation);
        return;
    }

    // The worksheet is written in one edit, stored at the end or cancelled.
    OpenEdit worksheet(rs);
    worksheet.edit();
    WorksheetTarget target;
    target.write = [&rs](int i, const Value& value) { rs.fields(i).setValue(value); };
    target.field = field;
    target.notice = [&messages](const QString& notice) { messages.show(kApplicationTitle, notice, MessageIcon::None); };
    writeWorksheet(sheet, target);

    // Months in grade: the edit holding the new TISPoints is left to be
    // cancelled.
    if (sheet.refused == Worksheet::Refusal::Dor) {
        messages.show(kErrorCaption, kDorNotValid, MessageIcon::Exclamation);
        return;
    }

    // The label's new text reaches TotalDate through the binding when
    // the record is stored.
    totalDateLabel.setText(FormatShortDate(clock.now(), dateSeparator));
    worksheet.update();
}

} // namespace varnel::points
