// The roster file's date reader on any text. What it returns must read back the same from each of the file's own
// encodings: a date the store reads but cannot write again would change on the next Update.
#include "common/date_text.h"

#include "fuzz_check.h"

#include <QDateTime>

using varnel::fuzz::broken;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto shown = [](const std::optional<QDateTime>& value) {
        return value ? value->toString(Qt::ISODateWithMs) : QStringLiteral("nothing");
    };
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QDateTime> read = varnel::parseDateText(text);
    if (!read)
        return 0;
    const QString input = QStringLiteral("input \"%1\" read as %2").arg(text, shown(read));
    if (!read->isValid() || !read->date().isValid() || !read->time().isValid())
        broken("a date-time that is read is valid", input);
    // The file keeps the time of day to the second, with no time zone.
    const int second = read->time().msecsSinceStartOfDay() / 1000;
    const struct { const char* invariant; QString written; bool withTime; } forms[] = {
        {"YYYY-MM-DD HH:MM:SS written back reads as the same date and time", varnel::isoDateText(*read, true), true},
        {"YYYY-MM-DD written back reads as the same date", varnel::isoDateText(*read, false), false},
        {"m/d/yyyy written back reads as the same date", varnel::shortDateText(read->date()), false},
    };
    for (const auto& form : forms) {
        const auto again = varnel::parseDateText(form.written);
        if (!again || again->date() != read->date()
            || (form.withTime && again->time().msecsSinceStartOfDay() / 1000 != second))
            broken(form.invariant, input + QStringLiteral("; \"%1\" read as %2").arg(form.written, shown(again)));
    }
    const auto padded = varnel::parseDateText(QStringLiteral(" ") + text + QStringLiteral(" "));
    if (!padded || *padded != *read)
        broken("blanks around the text change nothing", input + QStringLiteral("; padded read as %1").arg(shown(padded)));
    return 0;
}
