#pragma once

#include "app/varnel_version.h"

#include <QString>

namespace varnel::ui {

// The product's name and four-part file version, as the build gives them
// (project() in the top CMakeLists.txt): the application's own name and
// version, the About box and the captions read them here.
inline const QString kProductName = QStringLiteral(VARNEL_PRODUCT_NAME);
inline const QString kProductVersion = QStringLiteral(VARNEL_VERSION);

// The caption of the main window, of every message box and question it
// shows and of the report windows: the product's name, exactly.
inline const QString kCaption = kProductName;

} // namespace varnel::ui
