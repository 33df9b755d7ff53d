#pragma once

#include "common/roster_location.h"

#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QVector>

namespace varnel::reports {

// The one layout format version this engine reads.
inline constexpr int kLayoutFormat = 1;

enum class ValueFormat { Text, Integer, Date, YesNo };
enum class Align { Left, Center, Right };

// How one column of the query's result is shown: formatted, then looked up
// in `map` (exact, case-sensitive; unmapped text shows as it stands). NULL
// and empty text show `nullText`.
struct FieldSpec {
    QString field;
    ValueFormat format = ValueFormat::Text;
    QHash<QString, QString> map;
    QString nullText;
};

// A column of a list report. `field` indexes ReportLayout::fields; `width`
// is a share of the line relative to the sum of all widths.
struct ListColumn {
    QString heading;
    int field = -1;
    double width = 1.0;
    Align align = Align::Left;
};

// Rows whose group value changes start a new group. Groups come in the
// order of the query's rows; "%1" in the texts is the group value and the
// number of rows in the group respectively.
struct GroupSpec {
    int field = -1;
    QString heading = QStringLiteral("%1");
    QString summary;
    // A field whose numbers the group closes with as a small histogram
    // (ten bins from the group's least to its greatest); -1: none.
    int histogram = -1;
    // Beside it: "%1" the count of numbers, "%2" and "%3" the least and the
    // greatest.
    QString histogramCaption = QStringLiteral("%1 values from %2 to %3");
};

// A line of a form report: either a section heading (with optional
// headings over the entry and points columns), a labelled line with an
// entry and/or a points value, or a labelled bar: the points drawn as a
// bar against the points' cap, on one scale with the other bars of the
// form (the largest cap or value among them fills the line).
struct FormLine {
    bool section = false;
    QString label;
    QString entryHeading;
    QString pointsHeading;
    int entry = -1;
    int points = -1;
    bool strong = false;
    bool bar = false;
    double cap = 0; // a bar's cap; 0: none
};

struct ReportLayout {
    enum class Kind { List, Form };

    QString path;          // the layout file, as named to the engine
    QString title;
    Kind kind = Kind::List;
    RosterLocation dataSource; // the roster the query reads: a file (its absolute path) or a server
    QString query;

    QPageSize::PageSizeId pageSize = QPageSize::Letter;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double marginMm = 12.7;
    double fontSize = 9.0;
    QString dateFormat = QStringLiteral("M/d/yyyy");
    QString pageFooter;
    QString summary;       // after the last record; "%1" is the number of records
    QString recordKey;     // the query's column holding each record's key, for a report of one record

    QVector<FieldSpec> fields;   // every value the report shows, fetched per row

    // list reports
    QVector<ListColumn> columns;
    bool grouped = false;
    GroupSpec group;

    // form reports: one record per page
    int recordTitle = -1;
    QVector<FormLine> lines;
};

// Reads and checks a layout file. Throws varnel::Failure:
// failure::LayoutUnreadable, NotALayout or UnknownFormat, naming the file.
// A relative data source lies in `dataFolder`, or beside the layout when
// that is empty.
ReportLayout loadLayout(const QString& path, const QString& dataFolder = {});

// Parses layout text; `path` is used for messages and to find a relative data
// source beside the layout (or in `dataFolder`, when given).
ReportLayout parseLayout(const QByteArray& text, const QString& path, const QString& dataFolder = {});

} // namespace varnel::reports
