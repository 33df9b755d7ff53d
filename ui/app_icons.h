#pragma once

#include <QIcon>
#include <QPixmap>

namespace varnel::ui {

// The program's images, drawn in code so that no binary artwork has to be
// kept in step with the sources.
//
// The two window icons are drawn without smoothing from the classic
// sixteen-colour palette, in a 32 by 32 and a 16 by 16 image each, so they
// stay crisp at the sizes a title bar and a task bar use.

// Sergeant's chevrons on an olive shield: the main window.
QIcon mainWindowIcon();
// A gold star on a navy disc: the About box.
QIcon aboutIcon();

// The About box's pictures, in 256 colours: the banner (Picture1, 111 by 65
// pixels) and the emblem beside the product name (Picture2, 35 by 35
// pixels).
QPixmap aboutBanner();
QPixmap aboutEmblem();

} // namespace varnel::ui
