#include "ui/access_offer.h"

#include "common/failure.h"
#include "legacy/access_conversion.h"
#include "legacy/access_file.h"
#include "store/record_commands.h"
#include "ui/message_boxes.h"
#include "ui/product.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace varnel::ui {

namespace {

// SQLite's "file is not a database": what opening an Access file as the
// roster fails with.
constexpr int kNotADatabase = 26;

QString tr(const char* text)
{
    return QCoreApplication::translate("varnel::ui::AccessOffer", text);
}

class BusyPointer {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

void offerAccessConversion(const QString& directory, MessageBoxes& boxes)
{
    const QString roster = store::rosterPath(directory);
    if (!legacy::isAccessFile(roster))
        return;
    const QString keptAs = legacy::keptOriginalPath(roster);
    const QString keptName = QFileInfo(keptAs).fileName();

    Question question;
    question.caption = kCaption;
    question.text = tr("%1 in this folder is an Access database, as the earlier %2 program kept its roster. "
                       "%2 cannot open it as it is.\n\nConvert it to a %2 roster now?")
                        .arg(store::kRosterFileName, kProductName);
    question.details = tr("Every soldier is brought across with every value. The Access file is kept unchanged "
                          "beside the new roster, as \"%1\".")
                           .arg(keptName);
    question.buttons = {tr("&Yes"), tr("&No")};
    question.escapeButton = 1;
    if (boxes.ask(question) != 0) {
        throw Failure(kNotADatabase,
                      tr("The roster file \"%1\" is an Access database, which %4 does not open. To convert it, "
                         "rename it to \"%2\" and run\n\n    varnel-roster import \"%3\" \"%1\"\n\nor start %4 "
                         "again and answer Yes.")
                          .arg(QDir::toNativeSeparators(roster), keptName, QDir::toNativeSeparators(keptAs), kProductName));
    }

    legacy::Conversion conversion;
    {
        const BusyPointer busy;
        conversion = legacy::convertAccessRoster(roster);
    }
    boxes.show(kCaption,
               tr("Brought %1 soldiers across from the Access file. It is kept unchanged as \"%2\".")
                   .arg(QString::number(conversion.summary.records), QFileInfo(conversion.keptAs).fileName()),
               QMessageBox::Information);
}

} // namespace varnel::ui
