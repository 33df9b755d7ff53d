#include "app/command_line.h"

#include "app/varnel_version.h"
#include "common/roster_location.h"
#include "common/server_connection.h"
#include "ui/application.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace varnel::app {

namespace {

// The roster's file name: Varnel opens no other.
const QString kRosterFileName = QStringLiteral("Varnel_DATA.MDB");

const QString kProductName = QStringLiteral(VARNEL_PRODUCT_NAME);

const char* const kContext = "varnel::app";

QString tr(const char* text)
{
    return QCoreApplication::translate(kContext, text);
}

[[noreturn]] void refuse(const QString& message)
{
    std::fprintf(stderr, "varnel: %s\n%s\n", qPrintable(message),
                 qPrintable(tr("Try \"varnel --help\" for the ways to start %1.").arg(kProductName)));
    std::exit(2);
}

// The options QGuiApplication and QApplication take from the command line
// themselves; known here so that they and their values are not read as
// Varnel's own.
void letQtOptionsThrough(QCommandLineParser& parser)
{
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display", "geometry"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QString folderOf(const QString& argument)
{
    const QFileInfo info(argument);
    if (info.isDir())
        return info.absoluteFilePath();
    if (!info.exists())
        refuse(tr("%1 does not exist.").arg(QDir::toNativeSeparators(argument)));
    if (info.fileName() != kRosterFileName)
        refuse(tr("%1 is not a roster: %3 keeps its roster in a file named %2.")
                   .arg(QDir::toNativeSeparators(argument), kRosterFileName, kProductName));
    return info.absolutePath();
}

} // namespace

StartRequest readCommandLine(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("varnel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("%2 keeps a unit's roster of soldiers in the file %1 and works out their promotion points.\n"
           "It opens the roster of the folder it starts in; it never creates one. Make a new, empty roster with\n"
           "  varnel-roster create FOLDER/%1")
            .arg(kRosterFileName, kProductName));
    // "-platform offscreen" as Qt spells its options: one dash, a word.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption userFolder(
        QStringLiteral("user-folder"),
        tr("Start in your own roster folder, %1, made when it is missing. The desktop menu starts %2 so.")
            .arg(QDir::toNativeSeparators(ui::userRosterFolder()), kProductName));
    parser.addOption(userFolder);
    const QCommandLineOption database(
        QStringLiteral("database"),
        tr("Open the roster kept on a PostgreSQL server instead of the roster file: URI is the server's address, "
           "postgresql://host/database (?sslmode=require and the like). The password comes from ~/.pgpass or a "
           "service file, never from the address. Settings and layouts are still those of the folder. "
           "Without the option, the environment's VARNEL_DATABASE names it, if set."),
        QStringLiteral("URI"));
    parser.addOption(database);
    const QCommandLineOption reportDatabase(
        QStringLiteral("report-database"),
        tr("With --database: the reports read the roster at URI, the same database's address as a role that may "
           "read the Soldier table and nothing more (postgresql://host/database?user=reports). Without it, "
           "reports on a server roster are refused. Without the option, VARNEL_REPORT_DATABASE names it, if set."),
        QStringLiteral("URI"));
    parser.addOption(reportDatabase);
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 tr("The roster's folder, or the roster file %1 itself. Without it, %2 starts "
                                    "in the current directory.")
                                     .arg(kRosterFileName, kProductName),
                                 QStringLiteral("[FOLDER]"));
    letQtOptionsThrough(parser);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool parsed = parser.parse(arguments);

    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version"))) {
        // Answered on the terminal; the program ends in process().
        QCoreApplication app(argc, argv);
        parser.process(app);
    }
    if (!parsed)
        refuse(parser.errorText());

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        refuse(tr("Give one folder, not %1.").arg(positional.size()));

    StartRequest request;
    // The options, or else the environment (VARNEL_DATABASE,
    // VARNEL_REPORT_DATABASE): the desktop menu's entry opens a server's
    // roster when the clerk's session names one.
    const auto serverAddress = [&parser](const QCommandLineOption& option, const char* variable) {
        const bool given = parser.isSet(option);
        const QString address = given ? parser.value(option) : qEnvironmentVariable(variable);
        if (!address.isEmpty() && !RosterLocation(address).isServer())
            // The address itself is not shown: it may hold a password.
            refuse(tr("The address given with %1 is not one libpq reads: a URI beginning postgresql://, or keyword=value "
                      "pairs such as \"host=... dbname=...\".")
                       .arg(given ? QStringLiteral("--") + option.names().constFirst() : QString::fromLatin1(variable)));
        return address;
    };
    request.fromDesktop = parser.isSet(userFolder);
    request.database = serverAddress(database, "VARNEL_DATABASE");
    request.reportDatabase = serverAddress(reportDatabase, "VARNEL_REPORT_DATABASE");
    if (!request.reportDatabase.isEmpty() && request.database.isEmpty())
        refuse(tr("--report-database goes with --database: the reports of a roster file read that file."));
    // A file the file manager hands over wins over the user's folder.
    if (!positional.isEmpty()) {
        request.folder = folderOf(positional.first());
    } else if (parser.isSet(userFolder)) {
        request.folder = ui::userRosterFolder();
        if (!QDir().mkpath(request.folder))
            refuse(tr("The roster folder %1 cannot be made.").arg(QDir::toNativeSeparators(request.folder)));
    }
    return request;
}

} // namespace varnel::app
