#include "ui/handler.h"

#include "common/failure.h"
#include "store/record_conflict.h"
#include "ui/message_boxes.h"
#include "ui/product.h"

#include <QCoreApplication>
#include <exception>
#include <new>

namespace varnel::ui {

bool Handler::run(const std::function<void()>& work) const noexcept
{
    QString text;
    try {
        work();
        return true;
    } catch (const store::ConflictFailure& conflict) {
        if (!resolve_) {
            show(QStringLiteral("%1: %2").arg(conflict.number()).arg(conflict.description()));
            return false;
        }
        try {
            resolve_(conflict);
        } catch (...) {
            // The resolver runs its own steps through run(); nothing of it
            // may escape into the event loop.
        }
        return false;
    } catch (const Failure& failure) {
        text = QStringLiteral("%1: %2").arg(failure.number()).arg(failure.description());
    } catch (const std::bad_alloc&) {
        text = QCoreApplication::translate("Handler", "There is not enough memory to finish the command; it was stopped.");
    } catch (const std::exception& error) {
        // Not a platform step's failure but a fault of the program itself
        // (out of memory, a broken invariant): still never let it unwind
        // through the event loop.
        text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        text = QCoreApplication::translate("Handler", "An unexpected error ended the command.");
    }
    show(text);
    return false;
}

void Handler::show(const QString& text) const noexcept
{
    try {
        boxes_->show(kCaption, text, QMessageBox::Critical);
    } catch (...) {
        // Nothing more can be done for a box that cannot be shown.
    }
}

} // namespace varnel::ui
