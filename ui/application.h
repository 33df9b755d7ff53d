#pragma once

namespace varnel::ui {

class MainForm;

// The application-wide settings: the title "Varnel", the version, the icon,
// and that closing the main window ends the program.
void setUpApplication();

// The main window's Load event: opens the roster of the current directory
// before the window is first shown. A failure is shown to the clerk and
// gives false: without a roster there is nothing to work on.
bool loadFromCurrentDirectory(MainForm& form);

} // namespace varnel::ui
