#pragma once

#include "points/date_services.h"

#include <QChar>

namespace varnel::store {
class DataControl;
}

namespace varnel::points {

class Clock;
class MessageSink;
class TotalDateLabel;

inline const QString kPebdNotValid = QStringLiteral(QT_TRANSLATE_NOOP("varnel::points", "Entry for PEBD is not valid"));
inline const QString kDorNotValid = QStringLiteral(QT_TRANSLATE_NOOP("varnel::points", "Entry for DOR is not valid"));

// The Total command (the Click of Command5) on the current record of data1.
// It stores the form's pending entries, checks TISDate and DORDate, writes
// TISPoints, TIGPoints, APFTPoints, WeaponPoints, AwardPoints and TOTAL (the
// sum of ordinals 18 to 24, no value when an evaluation score has none),
// sets the TotalDate label to today's stamp and stores the record. Fields
// are reached by ordinal only.
//
// Outcomes:
//  - completed: the record holds the form's entries, the worksheet and
//    today's stamp in TotalDate;
//  - "Entry for PEBD is not valid" (caption "Error", exclamation): ends after
//    storing the form's entries; no computed field changes;
//  - "Entry for DOR is not valid" (likewise): the same; the edit holding the
//    new TISPoints is cancelled, so no later save can store a TISPoints
//    beside an old TOTAL.
// A band or code outside its table shows its notice (caption "Varnel", no
// icon) before its 0 is written, and the command goes on.
//
// A record store failure (varnel::Failure from Edit, a field, or Update, for
// example with no current record) stops the command at that step: an edit
// the command opened is cancelled and the same exception goes on to the
// caller.
//
// `clock` is read anew for each month count and for the stamp. The stamp's
// separator is the system's date separator unless one is given.
void totalCommand(store::DataControl& data1, MessageSink& messages, Clock& clock,
                  TotalDateLabel& totalDateLabel, QChar dateSeparator = systemDateSeparator());

} // namespace varnel::points
