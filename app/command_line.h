#pragma once

#include <QString>

namespace varnel::app {

// Where the program is to start, as the command line says. Arguments are
// optional: without any, Varnel starts in the current directory, as it
// always has.
struct StartRequest {
    // The folder to make current before the roster is opened; empty: stay
    // in the current directory.
    QString folder;
    // Started from the desktop (the menu entry, or a roster file opened from
    // the file manager: --user-folder). Without a roster, the window then
    // offers to make or open one; a start from a terminal says how to make
    // one and ends, as it always has.
    bool fromDesktop = false;
    // The roster on a PostgreSQL server (--database URI) instead of the
    // folder's roster file; empty: the file.
    QString database;
    // Where the reports read that roster (--report-database URI): the same
    // database as a role that may only read the Soldier table; empty: the
    // reports are refused on a server roster.
    QString reportDatabase;
};

// Reads the command line before anything touches the window system, so
// that --help and --version answer on a terminal without a display:
//   varnel                  the roster of the current directory
//   varnel FOLDER           the roster of FOLDER
//   varnel FOLDER/Varnel_DATA.MDB   the same, naming the roster file
//   varnel --user-folder    the clerk's own roster folder, created when
//                           missing (the desktop menu starts Varnel so)
//   varnel --user-folder FILE
//                           the roster file opened from the file manager
//   varnel --database URI   the roster on a PostgreSQL server, with the
//                           settings and layouts of the folder given (or
//                           the current one)
//   varnel --database URI --report-database URI2
//                           the same, the reports reading the roster as the
//                           role URI2 names (one that may only read it)
// --help and --version print to standard output and end the program with
// 0; a mistake (an unknown option, a folder that does not exist, a file that
// is not a roster) is printed to standard error and ends it with 2. The
// roster file itself is never created: the window then says how to make one.
// Qt's own options (-platform, -style, ...) are let through for QApplication.
StartRequest readCommandLine(int argc, char* argv[]);


} // namespace varnel::app
