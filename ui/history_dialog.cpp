#include "ui/history_dialog.h"

#include "store/record_layout.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnel::ui {

HistoryDialog::HistoryDialog(const QString& soldier, const QList<store::HistoryEntry>& entries, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(tr("History of %1").arg(soldier));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* label =
        new QLabel(entries.isEmpty() ? tr("The server's history holds no change to %1.").arg(soldier)
                                     : tr("Every change to %1 the server recorded, oldest first:").arg(soldier),
                   this);
    label->setWordWrap(true);
    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("HistoryList"));
    list->setHeaderLabels({tr("When"), tr("Who"), tr("What"), tr("Field"), tr("From"), tr("To")});
    list->setRootIsDecorated(false);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (const store::HistoryEntry& entry : entries) {
        const QString what = entry.action == store::HistoryEntry::Action::Added ? tr("added")
            : entry.action == store::HistoryEntry::Action::Deleted              ? tr("deleted")
                                                                                : tr("changed");
        // An entry's when, who and what head its first line.
        QStringList head{store::Value::date(entry.at.toLocalTime()).displayText(), entry.role, what};
        for (const store::HistoryEntry::Field& field : entry.fields) {
            new QTreeWidgetItem(list,
                                head
                                    + QStringList{store::columnLabel(field.column), valueInWords(field.before),
                                                  valueInWords(field.after)});
            head = {QString(), QString(), QString()};
        }
        if (entry.fields.isEmpty())
            new QTreeWidgetItem(list, head);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);
    resize(720, 420);
}

QString HistoryDialog::valueInWords(const store::Value& value)
{
    if (value.isNull())
        return tr("(blank)");
    if (value.isBoolean())
        return value.asBoolean() ? tr("ticked") : tr("not ticked");
    return value.displayText();
}

} // namespace varnel::ui
