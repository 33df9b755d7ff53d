#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;

namespace varnel::ui {

// The help file's bare name.
inline constexpr char kHelpFileName[] = "Varnel.HLP";

// Where the help file was found, and every directory that was searched.
struct HelpFileLookup {
    QString path;            // empty when the file is in none of them
    QStringList searched;    // in the order they were tried
};

// Looks for "Varnel.HLP" in `currentDir` (the roster's folder, whose copy
// always wins), then in each of `otherFolders` in turn. The name is matched
// exactly; an empty directory is skipped.
HelpFileLookup findHelpFile(const QString& currentDir, const QStringList& otherFolders);

// The folders searched after the current directory: those of the shipped
// files (common/shipped_files.h), then the executable's own folder.
QStringList helpFileFolders();

// The help window: the help file (HTML) in a browser that follows its links.
// When the file cannot be found or read, the window says so itself, naming
// the places it looked, and the program carries on. The window never keeps
// the program running on its own.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Loads the contents of the help file looked up from these directories
    // and moves to its start.
    void showContents(const QString& currentDir, const QStringList& otherFolders);

    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

// Help > Contents and F1 in any window: shows the one help viewer (created on
// first use) at the contents of the help file, found in the current
// directory or else among the shipped files, and brings it to the front.
void showHelpContents();

// The help viewer if one exists, for tests.
HelpViewer* currentHelpViewer();

} // namespace varnel::ui
