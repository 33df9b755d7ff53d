// The roster file's date reader on any text. Whatever formats it accepts,
// what it returns must survive being written back in the file's own
// encodings: a date the store reads but cannot write again would change
// on the next Update.
#include "common/date_text.h"

#include "fuzz_check.h"

#include <QDateTime>

namespace {

using varnel::fuzz::broken;

// The part of a date-time the roster file keeps: the date and the time of
// day to the second, as written, with no time zone.
bool sameInFile(const QDateTime& a, const QDateTime& b)
{
    const QTime ta = a.time(), tb = b.time();
    return a.date() == b.date() && ta.hour() == tb.hour() && ta.minute() == tb.minute()
        && ta.second() == tb.second();
}

QString shown(const std::optional<QDateTime>& value)
{
    return value ? value->toString(Qt::ISODateWithMs) : QStringLiteral("nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = varnel::fuzz::textOf(data, size);
    const std::optional<QDateTime> read = varnel::parseDateText(text);
    if (!read)
        return 0;
    const QString input = QStringLiteral("input \"%1\" read as %2").arg(text, shown(read));
    if (!read->isValid() || !read->date().isValid() || !read->time().isValid())
        broken("a date-time that is read is valid", input);

    const QString withTime = varnel::isoDateText(*read, true);
    const auto again = varnel::parseDateText(withTime);
    if (!again || !sameInFile(*again, *read))
        broken("YYYY-MM-DD HH:MM:SS written back reads as the same date and time",
               input + QStringLiteral("; \"%1\" read as %2").arg(withTime, shown(again)));

    const QString dateOnly = varnel::isoDateText(*read, false);
    const auto day = varnel::parseDateText(dateOnly);
    if (!day || day->date() != read->date())
        broken("YYYY-MM-DD written back reads as the same date",
               input + QStringLiteral("; \"%1\" read as %2").arg(dateOnly, shown(day)));

    const QString shortForm = varnel::shortDateText(read->date());
    const auto shortDay = varnel::parseDateText(shortForm);
    if (!shortDay || shortDay->date() != read->date())
        broken("m/d/yyyy written back reads as the same date",
               input + QStringLiteral("; \"%1\" read as %2").arg(shortForm, shown(shortDay)));

    const auto padded = varnel::parseDateText(QStringLiteral(" ") + text + QStringLiteral(" "));
    if (!padded || *padded != *read)
        broken("blanks around the text change nothing", input + QStringLiteral("; padded read as %1").arg(shown(padded)));
    return 0;
}
