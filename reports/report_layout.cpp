#include "reports/report_layout.h"

#include "common/failure.h"
#include "common/server_connection.h"
#include "reports/report_failures.h"
#include "reports/report_limits.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace varnel::reports {

namespace {

const QString kDefaultDataSource = QStringLiteral("Varnel_DATA.MDB");

class LayoutReader {
public:
    LayoutReader(const QString& path, const QString& dataFolder)
        : path_(QDir::toNativeSeparators(path)), dataFolder_(dataFolder) {}

    [[noreturn]] void invalid(const QString& why) const
    {
        throw Failure(failure::NotALayout,
                      QCoreApplication::translate("varnel::reports", "The report layout %1 is not a valid layout: %2.").arg(path_, why));
    }

    // A layout beyond the engine's bounds: refused before anything runs, so a
    // huge date format or footer cannot keep the pages busy for minutes.
    [[noreturn]] void tooLarge(const QString& why) const
    {
        throw Failure(failure::LayoutTooLarge,
                      QCoreApplication::translate("varnel::reports", "The report layout %1 is beyond what this program reads: %2.").arg(path_, why));
    }

    // Names a long text by its length and its first characters.
    static QString shownText(const QString& text)
    {
        constexpr int kShown = 24;
        return QStringLiteral("\"%1%2\"").arg(text.left(kShown), text.size() > kShown ? QStringLiteral("...") : QString());
    }

    const QString& boundedText(const QString& text, const QString& key, const QString& where,
                               int maxChars = layout_limits::kTextChars) const
    {
        if (text.size() > maxChars)
            tooLarge(QCoreApplication::translate("varnel::reports", "\"%1\" in %2 is %3 characters long (%4); at most %5 are allowed")
                         .arg(key, where).arg(text.size()).arg(shownText(text)).arg(maxChars));
        return text;
    }

    void onlyKeys(const QJsonObject& object, const QString& where, const QSet<QString>& allowed) const
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!allowed.contains(it.key()))
                invalid(QCoreApplication::translate("varnel::reports", "%1 has the unknown key \"%2\"").arg(where, it.key()));
        }
    }

    QString requiredText(const QJsonObject& object, const QString& key, const QString& where) const
    {
        const QJsonValue value = object.value(key);
        if (!value.isString() || value.toString().trimmed().isEmpty())
            invalid(QCoreApplication::translate("varnel::reports", "%1 needs \"%2\" as non-empty text").arg(where, key));
        return boundedText(value.toString(), key, where);
    }

    QString optionalText(const QJsonObject& object, const QString& key, const QString& where,
                         const QString& fallback = {}, int maxChars = layout_limits::kTextChars) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return fallback;
        if (!value.isString())
            invalid(QCoreApplication::translate("varnel::reports", "\"%1\" in %2 must be text").arg(key, where));
        return boundedText(value.toString(), key, where, maxChars);
    }

    double optionalNumber(const QJsonObject& object, const QString& key, const QString& where,
                          double fallback, double low, double high) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return fallback;
        if (!value.isDouble() || value.toDouble() < low || value.toDouble() > high) {
            const QString given = value.isDouble() ? QString::number(value.toDouble())
                                  : value.isString() ? shownText(value.toString())
                                                     : QCoreApplication::translate("varnel::reports", "a value of another kind");
            invalid(QCoreApplication::translate("varnel::reports", "\"%1\" in %2 must be a number from %3 to %4, not %5")
                        .arg(key, where).arg(low).arg(high).arg(given));
        }
        return value.toDouble();
    }

    bool optionalBool(const QJsonObject& object, const QString& key, const QString& where) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return false;
        if (!value.isBool())
            invalid(QCoreApplication::translate("varnel::reports", "\"%1\" in %2 must be true or false").arg(key, where));
        return value.toBool();
    }

    template <typename T>
    T choice(const QJsonObject& object, const QString& key, const QString& where,
             const QList<QPair<QString, T>>& choices, T fallback) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return fallback;
        QStringList names;
        for (const auto& [name, result] : choices) {
            if (value.toString() == name)
                return result;
            names << QStringLiteral("\"%1\"").arg(name);
        }
        invalid(QCoreApplication::translate("varnel::reports", "\"%1\" in %2 must be one of %3").arg(key, where, names.join(QStringLiteral(", "))));
    }

    // The query may be one text or a list of texts (lines), for readability.
    QString query(const QJsonObject& root) const
    {
        const QJsonValue value = root.value(QStringLiteral("query"));
        QString text;
        if (value.isString()) {
            text = value.toString();
        } else if (value.isArray()) {
            QStringList lines;
            for (const QJsonValue line : value.toArray()) {
                if (!line.isString())
                    invalid(QCoreApplication::translate("varnel::reports", "\"query\" must be text or a list of texts"));
                lines << line.toString();
            }
            text = lines.join(QLatin1Char('\n'));
        }
        if (text.trimmed().isEmpty())
            invalid(QCoreApplication::translate("varnel::reports", "the layout needs a \"query\""));
        return text;
    }

    // Reads the keys of a shown value (field, format, map, null) from
    // `object` and appends it to the layout's fields; returns its index.
    int fieldSpec(ReportLayout& layout, const QJsonObject& object, const QString& where,
                  const QString& fieldKey = QStringLiteral("field"),
                  const QString& nullKey = QStringLiteral("null"),
                  ValueFormat fallbackFormat = ValueFormat::Text) const
    {
        FieldSpec spec;
        spec.field = requiredText(object, fieldKey, where);
        spec.format = choice<ValueFormat>(object, QStringLiteral("format"), where,
                                          {{QStringLiteral("text"), ValueFormat::Text},
                                           {QStringLiteral("integer"), ValueFormat::Integer},
                                           {QStringLiteral("date"), ValueFormat::Date},
                                           {QStringLiteral("yesno"), ValueFormat::YesNo}},
                                          fallbackFormat);
        spec.nullText = optionalText(object, nullKey, where);
        const QJsonValue map = object.value(QStringLiteral("map"));
        if (!map.isUndefined()) {
            if (!map.isObject())
                invalid(QCoreApplication::translate("varnel::reports", "\"map\" in %1 must be an object of texts").arg(where));
            const QJsonObject entries = map.toObject();
            if (entries.size() > layout_limits::kMapEntries)
                tooLarge(QCoreApplication::translate("varnel::reports", "\"map\" in %1 has %2 entries; at most %3 are allowed")
                             .arg(where).arg(entries.size()).arg(layout_limits::kMapEntries));
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                if (!it.value().isString())
                    invalid(QCoreApplication::translate("varnel::reports", "\"map\" in %1 must map texts to texts").arg(where));
                const QString mapWhere = QStringLiteral("\"map\" of %1").arg(where);
                spec.map.insert(boundedText(it.key(), QStringLiteral("a key"), mapWhere),
                                boundedText(it.value().toString(), it.key().left(24), mapWhere));
            }
        }
        layout.fields.append(spec);
        return int(layout.fields.size() - 1);
    }

    QJsonArray requiredList(const QJsonObject& object, const QString& key) const
    {
        const QJsonValue value = object.value(key);
        if (!value.isArray() || value.toArray().isEmpty())
            invalid(QCoreApplication::translate("varnel::reports", "a %1 layout needs \"%2\" as a non-empty list")
                        .arg(object.value(QStringLiteral("kind")).toString(), key));
        return value.toArray();
    }

    QJsonObject entryObject(const QJsonValue& value, const QString& where) const
    {
        if (!value.isObject())
            invalid(QCoreApplication::translate("varnel::reports", "%1 must be an object").arg(where));
        return value.toObject();
    }

    void readList(ReportLayout& layout, const QJsonObject& root) const
    {
        const QJsonArray columns = requiredList(root, QStringLiteral("columns"));
        if (columns.size() > layout_limits::kColumns)
            tooLarge(QCoreApplication::translate("varnel::reports", "it has %1 columns; at most %2 are allowed")
                         .arg(columns.size()).arg(layout_limits::kColumns));
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QString where = QStringLiteral("column %1").arg(i + 1);
            const QJsonObject object = entryObject(columns.at(i), where);
            onlyKeys(object, where,
                     {"heading", "field", "width", "align", "format", "map", "null"});
            ListColumn column;
            column.heading = optionalText(object, QStringLiteral("heading"), where);
            column.field = fieldSpec(layout, object, where);
            column.width = optionalNumber(object, QStringLiteral("width"), where, 1.0, 0.1, 1000.0);
            column.align = choice<Align>(object, QStringLiteral("align"), where,
                                         {{QStringLiteral("left"), Align::Left},
                                          {QStringLiteral("center"), Align::Center},
                                          {QStringLiteral("right"), Align::Right}},
                                         Align::Left);
            layout.columns.append(column);
        }
        const QJsonValue group = root.value(QStringLiteral("group"));
        if (!group.isUndefined()) {
            const QString where = QStringLiteral("\"group\"");
            const QJsonObject object = entryObject(group, where);
            onlyKeys(object, where, {"field", "format", "map", "null", "heading", "summary", "histogram", "histogramCaption"});
            layout.grouped = true;
            layout.group.field = fieldSpec(layout, object, where);
            layout.group.heading = optionalText(object, QStringLiteral("heading"), where, QStringLiteral("%1"));
            layout.group.summary = optionalText(object, QStringLiteral("summary"), where);
            if (object.contains(QStringLiteral("histogram"))) {
                QJsonObject histogram;
                histogram.insert(QStringLiteral("field"), object.value(QStringLiteral("histogram")));
                layout.group.histogram = fieldSpec(layout, histogram, where, QStringLiteral("field"), QStringLiteral("null"),
                                                   ValueFormat::Integer);
                layout.group.histogramCaption = optionalText(object, QStringLiteral("histogramCaption"), where,
                                                             layout.group.histogramCaption);
            }
        }
    }

    void readForm(ReportLayout& layout, const QJsonObject& root) const
    {
        const QJsonValue title = root.value(QStringLiteral("recordTitle"));
        if (!title.isUndefined()) {
            const QString where = QStringLiteral("\"recordTitle\"");
            const QJsonObject object = entryObject(title, where);
            onlyKeys(object, where, {"field", "format", "map", "null"});
            layout.recordTitle = fieldSpec(layout, object, where);
        }
        const QJsonArray lines = requiredList(root, QStringLiteral("lines"));
        if (lines.size() > layout_limits::kFormLines)
            tooLarge(QCoreApplication::translate("varnel::reports", "it has %1 lines; at most %2 are allowed")
                         .arg(lines.size()).arg(layout_limits::kFormLines));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString where = QStringLiteral("line %1").arg(i + 1);
            const QJsonObject object = entryObject(lines.at(i), where);
            FormLine line;
            if (object.contains(QStringLiteral("section"))) {
                onlyKeys(object, where, {"section", "entryHeading", "pointsHeading"});
                line.section = true;
                line.label = requiredText(object, QStringLiteral("section"), where);
                line.entryHeading = optionalText(object, QStringLiteral("entryHeading"), where);
                line.pointsHeading = optionalText(object, QStringLiteral("pointsHeading"), where);
            } else if (object.contains(QStringLiteral("bar"))) {
                onlyKeys(object, where, {"label", "bar", "cap"});
                line.bar = true;
                line.label = requiredText(object, QStringLiteral("label"), where);
                line.points = fieldSpec(layout, object, where, QStringLiteral("bar"), QStringLiteral("null"), ValueFormat::Integer);
                line.cap = optionalNumber(object, QStringLiteral("cap"), where, 0.0, 0.0, 1e9);
            } else {
                onlyKeys(object, where,
                         {"label", "field", "format", "map", "null", "points", "pointsNull", "strong"});
                line.label = requiredText(object, QStringLiteral("label"), where);
                if (object.contains(QStringLiteral("field")))
                    line.entry = fieldSpec(layout, object, where);
                if (object.contains(QStringLiteral("points"))) {
                    QJsonObject points;
                    points.insert(QStringLiteral("field"), object.value(QStringLiteral("points")));
                    points.insert(QStringLiteral("null"), object.value(QStringLiteral("pointsNull")));
                    if (points.value(QStringLiteral("null")).isUndefined())
                        points.remove(QStringLiteral("null"));
                    line.points = fieldSpec(layout, points, where, QStringLiteral("field"),
                                            QStringLiteral("null"), ValueFormat::Integer);
                }
                if (line.entry < 0 && line.points < 0)
                    invalid(QCoreApplication::translate("varnel::reports", "%1 needs a \"field\" or \"points\"").arg(where));
                line.strong = optionalBool(object, QStringLiteral("strong"), where);
            }
            layout.lines.append(line);
        }
    }

    void readPage(ReportLayout& layout, const QJsonObject& root) const
    {
        const QJsonValue page = root.value(QStringLiteral("page"));
        if (page.isUndefined())
            return;
        const QString where = QStringLiteral("\"page\"");
        const QJsonObject object = entryObject(page, where);
        onlyKeys(object, where, {"size", "orientation", "margins", "fontSize"});
        layout.pageSize = choice<QPageSize::PageSizeId>(object, QStringLiteral("size"), where,
                                                        {{QStringLiteral("Letter"), QPageSize::Letter},
                                                         {QStringLiteral("Legal"), QPageSize::Legal},
                                                         {QStringLiteral("A4"), QPageSize::A4}},
                                                        QPageSize::Letter);
        layout.orientation = choice<QPageLayout::Orientation>(object, QStringLiteral("orientation"), where,
                                                              {{QStringLiteral("portrait"), QPageLayout::Portrait},
                                                               {QStringLiteral("landscape"), QPageLayout::Landscape}},
                                                              QPageLayout::Portrait);
        layout.marginMm = optionalNumber(object, QStringLiteral("margins"), where, layout.marginMm, 5.0, 40.0);
        layout.fontSize = optionalNumber(object, QStringLiteral("fontSize"), where, layout.fontSize, 5.0, 20.0);
    }

    ReportLayout read(const QByteArray& text) const
    {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(text, &error);
        if (error.error != QJsonParseError::NoError)
            invalid(QCoreApplication::translate("varnel::reports", "it is not JSON text (%1 at character %2)")
                        .arg(error.errorString()).arg(error.offset));
        if (!document.isObject())
            invalid(QCoreApplication::translate("varnel::reports", "its JSON text is not an object"));
        const QJsonObject root = document.object();

        // The version is checked before anything else, so a newer layout is
        // reported as such and not as a list of unknown keys.
        const QJsonValue format = root.value(QStringLiteral("format"));
        if (format.isUndefined())
            invalid(QCoreApplication::translate("varnel::reports", "it has no \"format\" version"));
        if (!format.isDouble() || format.toDouble() != kLayoutFormat) {
            const QString shown = format.isDouble()   ? QString::number(format.toDouble())
                                  : format.isString() ? QStringLiteral("\"%1\"").arg(format.toString())
                                                      : QCoreApplication::translate("varnel::reports", "of the wrong kind");
            throw Failure(failure::UnknownFormat,
                          QCoreApplication::translate("varnel::reports", "The report layout %1 has format version %2; this program reads version %3.")
                              .arg(path_, shown).arg(kLayoutFormat));
        }

        const QString where = QCoreApplication::translate("varnel::reports", "the layout");
        onlyKeys(root, where,
                 {"format", "title", "kind", "dataSource", "query", "page", "dateFormat", "pageFooter",
                  "summary", "columns", "group", "recordTitle", "lines", "recordKey"});

        ReportLayout layout;
        layout.path = path_;
        layout.title = requiredText(root, QStringLiteral("title"), where);
        if (!root.contains(QStringLiteral("kind")))
            invalid(QCoreApplication::translate("varnel::reports", "the layout needs \"kind\", \"list\" or \"form\""));
        layout.kind = choice<ReportLayout::Kind>(root, QStringLiteral("kind"), where,
                                                 {{QStringLiteral("list"), ReportLayout::Kind::List},
                                                  {QStringLiteral("form"), ReportLayout::Kind::Form}},
                                                 ReportLayout::Kind::List);
        layout.query = query(root);

        // A relative data source lies beside the layout file, or in the
        // folder the layout was asked for from; a server's address is taken
        // as it is.
        const QString source = optionalText(root, QStringLiteral("dataSource"), where, kDefaultDataSource);
        if (source.trimmed().isEmpty())
            invalid(QCoreApplication::translate("varnel::reports", "\"dataSource\" is empty"));
        const QDir base = dataFolder_.isEmpty() ? QFileInfo(path_).absoluteDir() : QDir(dataFolder_);
        const RosterLocation given(source);
        layout.dataSource = given.isServer() ? given : RosterLocation(QDir::cleanPath(base.absoluteFilePath(source)));

        readPage(layout, root);
        // Every date shown is formatted with it: a long one costs on every row.
        layout.dateFormat = optionalText(root, QStringLiteral("dateFormat"), where, layout.dateFormat,
                                         layout_limits::kDateFormatChars);
        layout.pageFooter = optionalText(root, QStringLiteral("pageFooter"), where);
        layout.summary = optionalText(root, QStringLiteral("summary"), where);
        layout.recordKey = optionalText(root, QStringLiteral("recordKey"), where);

        if (layout.kind == ReportLayout::Kind::List) {
            if (root.contains(QStringLiteral("lines")) || root.contains(QStringLiteral("recordTitle")))
                invalid(QCoreApplication::translate("varnel::reports", "\"lines\" and \"recordTitle\" belong to a form layout"));
            readList(layout, root);
        } else {
            if (root.contains(QStringLiteral("columns")) || root.contains(QStringLiteral("group")))
                invalid(QCoreApplication::translate("varnel::reports", "\"columns\" and \"group\" belong to a list layout"));
            readForm(layout, root);
        }
        return layout;
    }

private:
    QString path_;
    QString dataFolder_;
};

} // namespace

ReportLayout parseLayout(const QByteArray& text, const QString& path, const QString& dataFolder)
{
    return LayoutReader(path, dataFolder).read(text);
}

ReportLayout loadLayout(const QString& path, const QString& dataFolder)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty())
        throw Failure(failure::LayoutUnreadable, QCoreApplication::translate("varnel::reports", "No report layout file was named."));
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(failure::LayoutUnreadable,
                      QCoreApplication::translate("varnel::reports", "The report layout file %1 does not exist.").arg(shown));
    if (!info.isFile())
        throw Failure(failure::LayoutUnreadable,
                      QCoreApplication::translate("varnel::reports", "The report layout file %1 is not a file.").arg(shown));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(failure::LayoutUnreadable,
                      QCoreApplication::translate("varnel::reports", "The report layout file %1 cannot be read: %2.").arg(shown, file.errorString()));
    // A layout is a few kilobytes; anything far larger is some other file,
    // or one that would keep the report busy for minutes.
    if (file.size() > layout_limits::kFileBytes)
        throw Failure(failure::LayoutTooLarge,
                      QCoreApplication::translate("varnel::reports", "The report layout file %1 is %2 bytes long; a layout may be at most %3 bytes.")
                          .arg(shown).arg(file.size()).arg(layout_limits::kFileBytes));
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(failure::LayoutUnreadable,
                      QCoreApplication::translate("varnel::reports", "The report layout file %1 cannot be read: %2.").arg(shown, file.errorString()));
    return parseLayout(text, path, dataFolder);
}

} // namespace varnel::reports
