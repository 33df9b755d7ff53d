#include "points/total_command.h"

#include "points/clock.h"
#include "points/message_sink.h"
#include "points/scoring_rules.h"
#include "points/total_date_label.h"
#include "store/data_control.h"
#include "store/record_layout.h"
#include "store/recordset.h"

namespace varnel::points {

using store::Value;
namespace ordinal = store::ordinal;

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

void showNotice(MessageSink& messages, const Score& score)
{
    if (score.notice)
        messages.show(kApplicationTitle, *score.notice, MessageIcon::None);
}

} // namespace

void totalCommand(store::DataControl& data1, MessageSink& messages, Clock& clock,
                  TotalDateLabel& totalDateLabel, QChar dateSeparator)
{
    store::Recordset& rs = data1.recordset();

    // Store what the form shows, so every read below sees it. Should this
    // fail, the clerk's entries stay pending in the form, not dropped.
    rs.edit();
    rs.update();

    // Months of service.
    const std::optional<QDateTime> tisDate = DateOf(rs.fields(ordinal::TISDate).value());
    if (!tisDate) {
        messages.show(kErrorCaption, kPebdNotValid, MessageIcon::Exclamation);
        return;
    }
    const int tisMonths = ServiceMonths(*tisDate, clock.now());

    // The worksheet is written in one edit, stored at the end or cancelled.
    OpenEdit worksheet(rs);
    worksheet.edit();
    rs.fields(ordinal::TISPoints).setValue(Value::integer(tisMonths));

    // Months in grade. A refusal leaves the edit to be cancelled.
    const std::optional<QDateTime> dorDate = DateOf(rs.fields(ordinal::DORDate).value());
    if (!dorDate) {
        messages.show(kErrorCaption, kDorNotValid, MessageIcon::Exclamation);
        return;
    }
    rs.fields(ordinal::TIGPoints).setValue(Value::integer(ServiceMonths(*dorDate, clock.now())));

    // Each notice is shown while the field still holds its old points.
    const Score apft = ScoreAPFT(rs.fields(ordinal::APFT).value());
    showNotice(messages, apft);
    rs.fields(ordinal::APFTPoints).setValue(Value::integer(apft.points));

    const Score weapon = ScoreWeapon(rs.fields(ordinal::Weapon).value());
    showNotice(messages, weapon);
    rs.fields(ordinal::WeaponPoints).setValue(Value::integer(weapon.points));

    // Awards, flags in ordinal order.
    AwardFlags flags;
    for (int i = ordinal::FirstAward; i <= ordinal::LastAward; ++i)
        flags[std::size_t(i - ordinal::FirstAward)] = rs.fields(i).value();
    rs.fields(ordinal::AwardPoints).setValue(Value::integer(ScoreAwards(flags)));

    // The total: read back from the edit buffer; an evaluation score with no
    // value makes the total no value, which TOTAL then holds.
    Value total;
    for (int i = ordinal::TISPoints; i <= ordinal::SecondEvaluation; ++i)
        total = total + rs.fields(i).value();
    rs.fields(ordinal::TOTAL).setValue(total);

    // The label's new text reaches TotalDate through the binding when
    // the record is stored.
    totalDateLabel.setText(FormatShortDate(clock.now(), dateSeparator));
    worksheet.update();
}

} // namespace varnel::points
