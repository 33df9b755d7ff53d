#include "ui/password_prompt.h"

#include "ui/product.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace varnel::ui {

std::optional<PasswordAnswer> askPasswordInWindow(QWidget* window, const QString& role, const QString& server)
{
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("PasswordDialog"));
    dialog.setWindowTitle(kCaption);
    auto* layout = new QFormLayout(&dialog);
    auto* text =
        new QLabel(QCoreApplication::translate("MainForm",
                                               "The server asks for the password of the role \"%1\" to open %2.")
                       .arg(role, server),
                   &dialog);
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    auto* password = new QLineEdit(&dialog);
    password->setObjectName(QStringLiteral("Password"));
    password->setEchoMode(QLineEdit::Password);
    // No input method may keep what is typed here.
    password->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    auto* remember = new QCheckBox(QCoreApplication::translate("MainForm", "&Remember for this session"), &dialog);
    remember->setObjectName(QStringLiteral("RememberPassword"));
    remember->setToolTip(QCoreApplication::translate("MainForm", "Kept in memory until Varnel closes; never saved."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(text);
    layout->addRow(QCoreApplication::translate("MainForm", "&Password:"), password);
    layout->addRow(remember);
    layout->addRow(buttons);
    password->setFocus();
    // A busy pointer set by the command that connects would hide that the
    // window waits for the clerk.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool given = dialog.exec() == QDialog::Accepted;
    QApplication::restoreOverrideCursor();
    std::optional<PasswordAnswer> answer;
    if (given)
        answer = PasswordAnswer{password->text().toUtf8(), remember->isChecked()};
    // The field's text is cleared before the dialog goes.
    password->clear();
    return answer;
}

} // namespace varnel::ui
