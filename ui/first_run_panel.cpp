#include "ui/first_run_panel.h"

#include "ui/product.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnel::ui {

FirstRunPanel::FirstRunPanel(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("FirstRun"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* text = new QLabel(tr("No roster is open. %1 keeps a unit's roster in one file, Varnel_DATA.MDB, in a folder "
                               "of your choice.")
                                .arg(kProductName),
                            this);
    text->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    const struct {
        const char* caption;
        const char* name;
        void (FirstRunPanel::*signal)();
    } choices[] = {
        {QT_TR_NOOP("&New Roster..."), "FirstRunNew", &FirstRunPanel::newRoster},
        {QT_TR_NOOP("&Open Roster..."), "FirstRunOpen", &FirstRunPanel::openRoster},
        {QT_TR_NOOP("&Import Access Roster..."), "FirstRunImport", &FirstRunPanel::importRoster},
    };
    for (const auto& choice : choices) {
        auto* button = new QPushButton(tr(choice.caption), this);
        button->setObjectName(QString::fromLatin1(choice.name));
        connect(button, &QPushButton::clicked, this, choice.signal);
        layout->addWidget(button);
    }
}

} // namespace varnel::ui
