#include "common/name_order.h"

namespace varnel {

namespace {

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

bool isAscii(QByteArrayView text)
{
    for (const char c : text) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QByteArray foldedKey(const QString& name)
{
    const QString decomposed = name.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining && category != QChar::Mark_Enclosing)
            folded += c;
    }
    return folded.toCaseFolded().toUtf8();
}

} // namespace

// Most names are ASCII, where lower case is the whole folding.
QByteArray nameFoldKey(QStringView name)
{
    if (!isAscii(name))
        return foldedKey(name.toString());
    QByteArray key(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        key[i] = lowered(char(name[i].unicode()));
    return key;
}

QByteArray nameFoldKeyOfUtf8(QByteArrayView utf8)
{
    if (!isAscii(utf8))
        return foldedKey(QString::fromUtf8(utf8));
    QByteArray key(utf8.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < utf8.size(); ++i)
        key[i] = lowered(utf8[i]);
    return key;
}

int compareNames(QStringView a, QStringView b)
{
    const QByteArray ka = nameFoldKey(a);
    const QByteArray kb = nameFoldKey(b);
    if (const int c = ka.compare(kb); c != 0)
        return c;
    return a.compare(b, Qt::CaseSensitive);
}

bool nameContains(QStringView name, QStringView part)
{
    return nameFoldKey(name).contains(nameFoldKey(part));
}

} // namespace varnel
