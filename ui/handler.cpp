#include "ui/handler.h"

#include "common/failure.h"
#include "ui/message_boxes.h"

#include <QCoreApplication>
#include <exception>

namespace varnel::ui {

namespace {
const QString kCaption = QStringLiteral("Varnel");
}

bool Handler::run(const std::function<void()>& work) const noexcept
{
    QString text;
    try {
        work();
        return true;
    } catch (const Failure& failure) {
        text = QStringLiteral("%1: %2").arg(failure.number()).arg(failure.description());
    } catch (const std::exception& error) {
        // Not a platform step's failure but a fault of the program itself
        // (out of memory, a broken invariant): still never let it unwind
        // through the event loop.
        text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        text = QCoreApplication::translate("Handler", "An unexpected error ended the command.");
    }
    try {
        boxes_->show(kCaption, text, QMessageBox::Critical);
    } catch (...) {
        // Nothing more can be done for a box that cannot be shown.
    }
    return false;
}

} // namespace varnel::ui
