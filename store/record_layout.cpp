#include "store/record_layout.h"

#include <QCoreApplication>

namespace varnel::store {

QString columnLabel(const QString& column)
{
    // The grid's headings, the option lists' and frames' captions, the
    // evaluations' labels and the award boxes' names as the window gives
    // them; the worked-out points as the total's tooltip names them.
    static const QHash<QString, const char*> labels = {
        {QStringLiteral("tisdate"), QT_TRANSLATE_NOOP("varnel::store", "PEBD")},
        {QStringLiteral("dordate"), QT_TRANSLATE_NOOP("varnel::store", "DOR")},
        {QStringLiteral("apft"), QT_TRANSLATE_NOOP("varnel::store", "APFT Score")},
        {QStringLiteral("weapon"), QT_TRANSLATE_NOOP("varnel::store", "Weapons Qualification")},
        {QStringLiteral("msm"), QT_TRANSLATE_NOOP("varnel::store", "MSM, first award")},
        {QStringLiteral("msm2"), QT_TRANSLATE_NOOP("varnel::store", "MSM, second award")},
        {QStringLiteral("arcom"), QT_TRANSLATE_NOOP("varnel::store", "ARCOM, first award")},
        {QStringLiteral("arcom2"), QT_TRANSLATE_NOOP("varnel::store", "ARCOM, second award")},
        {QStringLiteral("arcom3"), QT_TRANSLATE_NOOP("varnel::store", "ARCOM, third award")},
        {QStringLiteral("aam"), QT_TRANSLATE_NOOP("varnel::store", "AAM, first award")},
        {QStringLiteral("aam2"), QT_TRANSLATE_NOOP("varnel::store", "AAM, second award")},
        {QStringLiteral("aam3"), QT_TRANSLATE_NOOP("varnel::store", "AAM, third award")},
        {QStringLiteral("ltr/com"), QT_TRANSLATE_NOOP("varnel::store", "LTR/COM, first award")},
        {QStringLiteral("ltr/com2"), QT_TRANSLATE_NOOP("varnel::store", "LTR/COM, second award")},
        {QStringLiteral("ltr/com3"), QT_TRANSLATE_NOOP("varnel::store", "LTR/COM, third award")},
        {QStringLiteral("tispoints"), QT_TRANSLATE_NOOP("varnel::store", "TIS points")},
        {QStringLiteral("tigpoints"), QT_TRANSLATE_NOOP("varnel::store", "TIG points")},
        {QStringLiteral("apftpoints"), QT_TRANSLATE_NOOP("varnel::store", "APFT points")},
        {QStringLiteral("weaponpoints"), QT_TRANSLATE_NOOP("varnel::store", "weapon points")},
        {QStringLiteral("awardpoints"), QT_TRANSLATE_NOOP("varnel::store", "award points")},
        {QStringLiteral("1sgtpoints"), QT_TRANSLATE_NOOP("varnel::store", "1SG")},
        {QStringLiteral("ssgtpoints"), QT_TRANSLATE_NOOP("varnel::store", "SGT")},
        {QStringLiteral("lastschool"), QT_TRANSLATE_NOOP("varnel::store", "NCOES Last")},
        {QStringLiteral("nextschool"), QT_TRANSLATE_NOOP("varnel::store", "NCOES Next")},
        {QStringLiteral("prefdates"), QT_TRANSLATE_NOOP("varnel::store", "Request Dates")},
        {QStringLiteral("totaldate"), QT_TRANSLATE_NOOP("varnel::store", "date of the point total")},
        {QStringLiteral("total"), QT_TRANSLATE_NOOP("varnel::store", "point total")},
    };
    const char* label = labels.value(column.toLower());
    return label ? QCoreApplication::translate("varnel::store", label) : column;
}

const QString kApftBands = QStringLiteral(
    "A;300+\r\nB;290-299\r\nC;280-289\r\nD;270-279\r\nE;260-269\r\n"
    "F;250-259\r\nG;240-249\r\nH;220-239\r\nI;200-219\r\nJ;180-199");
const QString kWeaponQualifications = QStringLiteral("E;Expert\r\nS;Sharpshooter\r\nM;Marksman");

QHash<QString, QString> codeMeanings(const QString& items)
{
    QHash<QString, QString> meanings;
    for (const QString& line : items.split(QStringLiteral("\r\n"))) {
        const qsizetype semicolon = line.indexOf(u';');
        if (semicolon > 0)
            meanings.insert(line.left(semicolon).toUpper(), line.mid(semicolon + 1));
    }
    return meanings;
}

QStringList fixedColumnNames()
{
    return {QStringLiteral("TISDate"),    QStringLiteral("DORDate"),      QStringLiteral("APFT"),
            QStringLiteral("Weapon"),     QStringLiteral("MSM"),          QStringLiteral("MSM2"),
            QStringLiteral("ARCOM"),      QStringLiteral("ARCOM2"),       QStringLiteral("ARCOM3"),
            QStringLiteral("AAM"),        QStringLiteral("AAM2"),         QStringLiteral("AAM3"),
            QStringLiteral("LTR/COM"),    QStringLiteral("LTR/COM2"),     QStringLiteral("LTR/COM3"),
            QStringLiteral("TISPoints"),  QStringLiteral("TIGPoints"),    QStringLiteral("APFTPoints"),
            QStringLiteral("WeaponPoints"), QStringLiteral("AwardPoints")};
}

const QList<ColumnKindTypes>& columnKindTypes()
{
    // A date on a server is text under a type of that name (date_text), as
    // in a file: the ISO text the program writes and whatever another
    // program left there, which Total and the reports judge for themselves.
    static const QList<ColumnKindTypes> types{
        {ColumnKind::Text, "TEXT", "text", {}, "text"},
        {ColumnKind::Integer, "INTEGER", "bigint", {"int2", "int4", "int8"}, "integer"},
        {ColumnKind::Real, "REAL", "double precision", {"float4", "float8", "numeric"}, "real"},
        {ColumnKind::Date, "DATE", "date_text", {"date", "date_text", "timestamp", "timestamptz"}, "date"},
        {ColumnKind::YesNo, "BOOLEAN", "boolean", {"bool"}, "yes/no"},
    };
    return types;
}

const ColumnKindTypes& typesOf(ColumnKind kind)
{
    for (const ColumnKindTypes& types : columnKindTypes())
        if (types.kind == kind)
            return types;
    return columnKindTypes().first();
}

Competition competitionOf(const QString& rank)
{
    static const QHash<QString, Competition> byRank{
        {QStringLiteral("SPC"), Competition::ForSergeant}, {QStringLiteral("CPL"), Competition::ForSergeant},
        {QStringLiteral("SGT"), Competition::ForStaffSergeant}, {QStringLiteral("PV1"), Competition::Junior},
        {QStringLiteral("PV2"), Competition::Junior},       {QStringLiteral("PVT"), Competition::Junior},
        {QStringLiteral("PFC"), Competition::Junior},       {QStringLiteral("SSG"), Competition::Senior},
        {QStringLiteral("SFC"), Competition::Senior},       {QStringLiteral("MSG"), Competition::Senior},
        {QStringLiteral("1SG"), Competition::Senior},       {QStringLiteral("SGM"), Competition::Senior},
        {QStringLiteral("CSM"), Competition::Senior}};
    return byRank.value(rank.trimmed().toUpper(), Competition::UnknownRank);
}

QString competitionHeading(Competition competition)
{
    const char* heading = QT_TRANSLATE_NOOP("varnel::store", "Rank not given or not one of the Army's");
    switch (competition) {
    case Competition::ForSergeant: heading = QT_TRANSLATE_NOOP("varnel::store", "Promotion to SGT (soldiers now SPC or CPL)"); break;
    case Competition::ForStaffSergeant: heading = QT_TRANSLATE_NOOP("varnel::store", "Promotion to SSG (soldiers now SGT)"); break;
    case Competition::Junior: heading = QT_TRANSLATE_NOOP("varnel::store", "PV1 to PFC: no points list"); break;
    case Competition::Senior: heading = QT_TRANSLATE_NOOP("varnel::store", "SSG and above: no points list"); break;
    case Competition::UnknownRank: break;
    }
    return QCoreApplication::translate("varnel::store", heading);
}

ColumnKind columnKindForServerType(const QString& catalogType)
{
    for (const ColumnKindTypes& types : columnKindTypes())
        for (const char* name : types.serverCatalogTypes)
            if (catalogType == QLatin1String(name))
                return types.kind;
    return ColumnKind::Text;
}

ColumnKind columnKindForDeclaredType(const QString& declaredType)
{
    const QString type = declaredType.trimmed().toUpper();
    if (type.startsWith(QLatin1String("DATE")))  // DATE, DATETIME
        return ColumnKind::Date;
    if (type == QLatin1String("BOOLEAN") || type == QLatin1String("BOOL") || type == QLatin1String("BIT")
        || type == QLatin1String("YESNO"))
        return ColumnKind::YesNo;
    if (type.contains(QLatin1String("INT")))
        return ColumnKind::Integer;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) || type.contains(QLatin1String("DOUB"))
        || type.startsWith(QLatin1String("NUMERIC")) || type.startsWith(QLatin1String("DECIMAL")))
        return ColumnKind::Real;
    return ColumnKind::Text;
}

RecordLayout::RecordLayout(QList<Column> columns)
    : columns_(std::move(columns))
{
    for (int i = 0; i < columns_.size(); ++i)
        byFoldedName_.insert(columns_.at(i).name.toCaseFolded(), i);
}

int RecordLayout::indexOf(const QString& name) const
{
    return byFoldedName_.value(name.toCaseFolded(), -1);
}

QString RecordLayout::mismatch() const
{
    if (count() < ordinal::MinimumColumnCount)
        return QCoreApplication::translate("varnel::store", "the table has %1 columns; it needs at least %2").arg(count()).arg(ordinal::MinimumColumnCount);

    auto is = [this](int position, const QString& name) {
        return columns_.at(position).name.compare(name, Qt::CaseInsensitive) == 0;
    };
    auto wrong = [this](int position, const QString& expected) {
        return QCoreApplication::translate("varnel::store", "position %1 holds \"%2\" where \"%3\" belongs").arg(position).arg(columns_.at(position).name, expected);
    };

    const QStringList fixed = fixedColumnNames();
    for (int i = 0; i < fixed.size(); ++i) {
        const int position = ordinal::TISDate + i;
        if (!is(position, fixed.at(i)))
            return wrong(position, fixed.at(i));
    }
    // The two evaluation scores are only ever summed, so either may come first.
    const QString first = column::FirstSergeantPoints;
    const QString second = column::SergeantPoints;
    const int a = ordinal::FirstEvaluation;
    const int b = ordinal::SecondEvaluation;
    if (is(a, first)) {
        if (!is(b, second))
            return wrong(b, second);
    } else if (is(a, second)) {
        if (!is(b, first))
            return wrong(b, first);
    } else {
        return QCoreApplication::translate("varnel::store", "position %1 holds \"%2\" where \"%3\" or \"%4\" belongs").arg(a).arg(columns_.at(a).name, first, second);
    }
    if (!is(ordinal::TOTAL, column::TOTAL))
        return wrong(ordinal::TOTAL, column::TOTAL);
    return QString();
}

} // namespace varnel::store
