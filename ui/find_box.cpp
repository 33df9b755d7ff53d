#include "ui/find_box.h"

#include "store/data_control.h"
#include "store/recordset.h"
#include "ui/handler.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace varnel::ui {

FindBox::FindBox(store::DataControl& binding, const Handler& handler, QWidget* parent)
    : QDialog(parent)
    , binding_(&binding)
    , handler_(&handler)
    , nameEdit_(new QLineEdit(this))
    , status_(new QLabel(this))
{
    setObjectName(QStringLiteral("FindBox"));
    setWindowTitle(tr("Find Soldier"));
    setModal(false);
    nameEdit_->setObjectName(QStringLiteral("FindText"));
    nameEdit_->setPlaceholderText(tr("Part of a name"));
    status_->setObjectName(QStringLiteral("FindStatus"));
    auto* line = new QHBoxLayout;
    auto* label = new QLabel(tr("&Name:"), this);
    label->setBuddy(nameEdit_);
    line->addWidget(label);
    line->addWidget(nameEdit_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(line);
    layout->addWidget(status_);
    resize(320, sizeHint().height());

    connect(nameEdit_, &QLineEdit::textEdited, this, [this] { find(false); });
    connect(nameEdit_, &QLineEdit::returnPressed, this, [this] { find(true); });
}

void FindBox::showFind()
{
    searched_.clear();
    show();
    raise();
    activateWindow();
    nameEdit_->setFocus(Qt::ShortcutFocusReason);
    nameEdit_->selectAll();
}

void FindBox::rememberStart()
{
    startKey_.reset();
    if (binding_->isOpen() && binding_->recordset().hasCurrent())
        startKey_ = binding_->recordset().currentKey();
}

void FindBox::find(bool next)
{
    const QString part = nameEdit_->text();
    status_->clear();
    // A search begins with its first letter, on the soldier current then.
    if (searched_.isEmpty())
        rememberStart();
    searched_ = part;
    if (part.isEmpty() || !binding_->isOpen())
        return;
    handler_->run([&] {
        store::Recordset& rs = binding_->recordset();
        // Typing keeps the current soldier while his name still matches;
        // Enter looks from the one after him.
        const int current = rs.hasCurrent() ? rs.position() : 0;
        const int from = next && rs.hasCurrent() ? current + 1 : current;
        const int found = rs.findName(part, from >= rs.recordCount() ? 0 : from);
        if (found < 0) {
            status_->setText(tr("No soldier's name holds \"%1\".").arg(part));
            // Typing on found others on the way: the soldier the search
            // began on is current again.
            if (const int start = startKey_ ? rs.positionOf(*startKey_) : -1; start >= 0 && (!rs.hasCurrent() || rs.position() != start))
                rs.moveTo(start);
            return;
        }
        if (!rs.hasCurrent() || found != rs.position() || rs.editMode() == store::Recordset::EditMode::AddNew)
            rs.moveTo(found);
        // Enter takes the clerk to the soldier found: a search going on from
        // there falls back to him.
        if (next)
            rememberStart();
    });
}

} // namespace varnel::ui
