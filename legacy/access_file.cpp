#include "legacy/access_file.h"

#include <QFile>
#include <QFileInfo>

namespace varnel::legacy {

AccessFormat accessFormatOf(const QString& path)
{
    // Only a file (or a link to one) is read: a pipe under the name would
    // hold the reading until a writer came.
    if (!QFileInfo(path).isFile())
        return AccessFormat::None;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return AccessFormat::None;
    const QByteArray head = file.read(19);
    if (head.size() < 19)
        return AccessFormat::None;
    const QByteArray signature = head.mid(4, 15);
    if (signature == "Standard Jet DB")
        return AccessFormat::Jet;
    if (signature == "Standard ACE DB")
        return AccessFormat::Ace;
    return AccessFormat::None;
}

QString jetVersionName(int jetVersion)
{
    switch (jetVersion) {
    case 0: return QStringLiteral("Jet 3 (Access 97)");
    case 1: return QStringLiteral("Jet 4 (Access 2000-2003)");
    case 2: return QStringLiteral("ACE 12 (Access 2007)");
    case 3: return QStringLiteral("ACE 14 (Access 2010)");
    case 4: return QStringLiteral("ACE 15 (Access 2013)");
    case 5: return QStringLiteral("ACE 16 (Access 2016)");
    case 6: return QStringLiteral("ACE 17 (Access 2019)");
    default: return QStringLiteral("an Access format of version %1").arg(jetVersion);
    }
}

} // namespace varnel::legacy
