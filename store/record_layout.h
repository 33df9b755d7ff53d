#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace varnel::store {

// 0-based positions of the Soldier table that the Total command reaches by
// ordinal. The table's own column order must hold them; the other columns
// are reached by name only.
namespace ordinal {
inline constexpr int TISDate = 3;
inline constexpr int DORDate = 4;
inline constexpr int APFT = 5;
inline constexpr int Weapon = 6;
inline constexpr int FirstAward = 7;  // MSM
inline constexpr int LastAward = 17;  // LTR/COM3
inline constexpr int TISPoints = 18;
inline constexpr int TIGPoints = 19;
inline constexpr int APFTPoints = 20;
inline constexpr int WeaponPoints = 21;
inline constexpr int AwardPoints = 22;
inline constexpr int FirstEvaluation = 23; // 1SGTPoints or SSGTPoints
inline constexpr int SecondEvaluation = 24;
inline constexpr int TOTAL = 29;
inline constexpr int MinimumColumnCount = 30;
} // namespace ordinal

// Column names used by the bound controls.
namespace column {
inline const QString Name = QStringLiteral("Name");
inline const QString Rank = QStringLiteral("Rank");
inline const QString TISDate = QStringLiteral("TISDate");
inline const QString DORDate = QStringLiteral("DORDate");
inline const QString APFT = QStringLiteral("APFT");
inline const QString Weapon = QStringLiteral("Weapon");
inline const QString FirstSergeantPoints = QStringLiteral("1SGTPoints");
inline const QString SergeantPoints = QStringLiteral("SSGTPoints");
inline const QString LastSchool = QStringLiteral("LastSchool");
inline const QString NextSchool = QStringLiteral("NextSchool");
inline const QString PrefDates = QStringLiteral("PrefDates");
inline const QString TotalDate = QStringLiteral("TotalDate");
inline const QString TOTAL = QStringLiteral("TOTAL");
} // namespace column

// A column as the window labels it for the clerk: the service dates as
// the grid's "PEBD" and "DOR", "APFT Score", "Weapons Qualification", the
// awards as "MSM, second award", the evaluations as "1SG" and "SGT" beside
// their spin boxes, the NCOES course's "NCOES Last", "Request Dates", the
// worked-out points as the total's tooltip names them; Name, Rank and any
// column the window does not show by its name.
QString columnLabel(const QString& column);

// The codes the APFT and Weapon columns store and what the window shows for
// them, one "code;text" pair a line (CR LF between), as the option lists
// take them: "D;270-279", "S;Sharpshooter".
extern const QString kApftBands;
extern const QString kWeaponQualifications;

// What `items` (pairs as above) shows for each code, keyed by the code in
// upper case: look a stored code up as `code.trimmed().toUpper()`.
QHash<QString, QString> codeMeanings(const QString& items);

// The grade a soldier of `rank` competes for on the merit list, as the list
// groups soldiers, in the list's order: SPC and CPL for SGT, SGT for SSG,
// then the ranks that have no points list (PV1 to PFC, SSG and above), then
// a rank not given or not known. The merit list layout's query says the
// same in SQL.
enum class Competition { ForSergeant, ForStaffSergeant, Junior, Senior, UnknownRank };
Competition competitionOf(const QString& rank);
// The heading of the group, as the merit list shows it.
QString competitionHeading(Competition competition);
// Whether the group's soldiers get places by their points.
inline bool competesOnPoints(Competition c) { return c == Competition::ForSergeant || c == Competition::ForStaffSergeant; }

// The names of positions 3 to 22 in order (the eleven award columns among
// them), then the evaluation pair (either order at 23 and 24), then TOTAL.
QStringList fixedColumnNames();

// The roster's table and the index that keeps its names in order, as every
// engine, the tools and the Access import name them.
inline const QString kSoldierTable = QStringLiteral("Soldier");
inline QString nameIndexOf(const QString& table) { return table + QStringLiteral("ByName"); }

// How a column's values are read and written.
enum class ColumnKind { Text, Integer, Real, Date, YesNo };

// What each kind of column is called where a roster is kept, one row a
// kind: the type a roster file declares it with, the type a server's table
// is made with, the type names a server's catalog gives for it (pg_type),
// and the word a summary counts it by. A new roster, a copy and an import
// make their tables from it, and a column read back gets its kind from it.
struct ColumnKindTypes {
    ColumnKind kind;
    const char* fileType;
    const char* serverType;
    QList<const char*> serverCatalogTypes;
    const char* word;
};
const QList<ColumnKindTypes>& columnKindTypes();
const ColumnKindTypes& typesOf(ColumnKind kind);
// The kind of a column a roster file (or another program) declared: SQLite
// reads a declared type by the words in it, and so does this.
ColumnKind columnKindForDeclaredType(const QString& declaredType);
// The kind of a server column from its type in the catalog; text for any
// type the table does not name.
ColumnKind columnKindForServerType(const QString& catalogType);

struct Column {
    QString name;
    QString declaredType;
    ColumnKind kind = ColumnKind::Text;
    // The INTEGER PRIMARY KEY: SQLite's own row key under a name, which the
    // file gives every new record.
    bool generatedKey = false;
};

// The columns of the Soldier table in the table's own order.
class RecordLayout {
public:
    RecordLayout() = default;
    explicit RecordLayout(QList<Column> columns);

    int count() const { return int(columns_.size()); }
    const Column& at(int position) const { return columns_.at(position); }
    const QList<Column>& columns() const { return columns_; }

    // Position of the column with that name (SQL names ignore case), or -1.
    int indexOf(const QString& name) const;

    // Empty when the fixed positions hold their columns; otherwise a
    // sentence naming the first position that does not.
    QString mismatch() const;

private:
    QList<Column> columns_;
    QHash<QString, int> byFoldedName_;
};

} // namespace varnel::store
