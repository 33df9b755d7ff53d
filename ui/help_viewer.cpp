#include "ui/help_viewer.h"

#include "common/shipped_files.h"
#include "ui/app_icons.h"
#include "ui/product.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace varnel::ui {

namespace {

QPointer<HelpViewer> theViewer;

QString listItems(const QStringList& directories)
{
    QString items;
    for (const QString& dir : directories)
        items += QStringLiteral("<li><code>%1</code></li>").arg(QDir::toNativeSeparators(dir).toHtmlEscaped());
    return items;
}

QString notFoundReport(const QStringList& searched)
{
    return QStringLiteral("<h2>Help is not available</h2>"
                          "<p>The help file <b>%1</b> was not found. The help viewer looked for it in:</p>"
                          "<ul>%2</ul>"
                          "<p>Copy %1 into one of these folders and choose Help &gt; Contents again. "
                          "%3 itself works as usual without it.</p>")
        .arg(QString::fromLatin1(kHelpFileName), listItems(searched), kProductName.toHtmlEscaped());
}

QString unreadableReport(const QString& path, const QString& reason)
{
    return QStringLiteral("<h2>Help is not available</h2>"
                          "<p>The help file <code>%1</code> could not be read: %2.</p>"
                          "<p>%3 itself works as usual without it.</p>")
        .arg(QDir::toNativeSeparators(path).toHtmlEscaped(), reason.toHtmlEscaped(), kProductName.toHtmlEscaped());
}

} // namespace

HelpFileLookup findHelpFile(const QString& currentDir, const QStringList& otherFolders)
{
    HelpFileLookup lookup;
    for (const QString& dir : QStringList{currentDir} + otherFolders) {
        if (dir.isEmpty())
            continue;
        const QString clean = QDir::cleanPath(dir);
        if (lookup.searched.contains(clean))
            continue;
        lookup.searched << clean;
        const QString candidate = QDir(clean).filePath(QString::fromLatin1(kHelpFileName));
        // Exact name: a file system that ignores case would accept "varnel.hlp"
        // for the name, so compare the directory's own spelling.
        if (QFileInfo(candidate).isFile() && QDir(clean).entryList(QDir::Files).contains(QString::fromLatin1(kHelpFileName))) {
            lookup.path = candidate;
            break;
        }
    }
    return lookup;
}

HelpViewer::HelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , browser_(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("%1 Help").arg(kProductName));
    setWindowIcon(mainWindowIcon());
    // Help never keeps the program running once its main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    contents->setObjectName(QStringLiteral("helpContentsButton"));
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    back->setObjectName(QStringLiteral("helpBackButton"));
    back->setEnabled(false);
    connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    // Escape puts the help away, as it does any help window.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(680, 560);
}

QStringList helpFileFolders()
{
    return shippedFileFolders() << QCoreApplication::applicationDirPath();
}

void HelpViewer::showContents(const QString& currentDir, const QStringList& otherFolders)
{
    const HelpFileLookup lookup = findHelpFile(currentDir, otherFolders);
    if (lookup.path.isEmpty()) {
        browser_->setSource(QUrl());
        browser_->clearHistory();
        browser_->setHtml(notFoundReport(lookup.searched));
        return;
    }
    QFile file(lookup.path);
    if (!file.open(QIODevice::ReadOnly)) {
        browser_->setSource(QUrl());
        browser_->clearHistory();
        browser_->setHtml(unreadableReport(lookup.path, file.errorString()));
        return;
    }
    file.close();
    // The name does not say HTML, so the type is given; links inside the
    // file resolve against its own folder.
    const QUrl url = QUrl::fromLocalFile(lookup.path);
    if (browser_->source() == url)
        browser_->reload();
    else
        browser_->setSource(url, QTextDocument::HtmlResource);
    browser_->clearHistory();
    browser_->verticalScrollBar()->setValue(0);
}

void showHelpContents()
{
    if (!theViewer) {
        theViewer = new HelpViewer;
        // Gone with the event loop: the viewer has no owner to delete it.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, theViewer.data(), &QObject::deleteLater);
    }
    theViewer->showContents(QDir::currentPath(), helpFileFolders());
    theViewer->show();
    theViewer->raise();
    theViewer->activateWindow();
}

HelpViewer* currentHelpViewer()
{
    return theViewer.data();
}

} // namespace varnel::ui
