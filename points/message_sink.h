#pragma once

#include "app/varnel_version.h"

#include <QString>

namespace varnel::points {

// The program's title: the caption of a message box that names none.
inline const QString kApplicationTitle = QStringLiteral(VARNEL_PRODUCT_NAME);
inline const QString kErrorCaption = QStringLiteral("Error");

enum class MessageIcon { None, Exclamation };

// Where a command's own messages go. The window shows each in a modal box
// with only an OK button and returns when the user has closed it; the
// command then goes on (or ends) as if nothing was answered.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const QString& caption, const QString& text, MessageIcon icon) = 0;
};

} // namespace varnel::points
