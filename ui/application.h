#pragma once

#include <QString>

namespace varnel::ui {

class MainForm;

// The application-wide settings: the title "Varnel", the version, the icon,
// and that closing the main window ends the program. A request to terminate
// from outside (SIGTERM at logout or shutdown, SIGHUP, SIGINT) ends the
// program as Exit does, without a question, so the roster file is closed in
// order; entries still pending are dropped, as nobody can be asked.
void setUpApplication();

// The main window's Load event: opens the roster of the current directory
// before the window is first shown. A failure is shown to the clerk and
// gives false: without a roster there is nothing to work on.
bool loadFromCurrentDirectory(MainForm& form);

// The same for the roster of `directory`. When there is no roster file, the
// failure's message goes on to say how to make one (varnel-roster create).
bool loadRoster(MainForm& form, const QString& directory);

// The same for the roster on the PostgreSQL server `address` names; the
// settings and layouts are still those of the current directory.
bool loadServerRoster(MainForm& form, const QString& address);

// The clerk's own roster folder: "Varnel" in the documents folder
// ($XDG_DOCUMENTS_DIR, usually ~/Documents).
QString userRosterFolder();

// The roster of the current directory opened at start-up. Started from the
// desktop (`fromDesktop`) before there is a roster there, the window opens
// with no roster and offers to make, open or import one; started from a
// terminal, the failure says how to make one and gives false, as always.
bool openAtStart(MainForm& form, bool fromDesktop);

// Puts the window where it stood at the end of the last run, when that is
// on a screen now.
void placeWindow(MainForm& form);

// What the clerk is told when `rosterPath` does not exist.
QString howToMakeARoster(const QString& rosterPath);

} // namespace varnel::ui
