// The command-line companion for the roster file.

#include "app/varnel_version.h"
#include "common/failure.h"
#include "common/server_connection.h"
#include "tools/recover_soldier.h"
#include "tools/roster_copy.h"
#include "tools/roster_files.h"
#include "tools/terminal_password.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace {

// The commands, after the options in the help: %1 is the program's name,
// %2 the product's. Laid out as it prints.
// clang-format off
const char* const kCommands = QT_TRANSLATE_NOOP("varnel::tools",
    "\n"
    "Commands:\n"
    "  %1 create FILE\n"
    "      Writes a new roster file with an empty Soldier table. %2 itself\n"
    "      never creates a roster: this is how a clerk starts one. Name the file\n"
    "      Varnel_DATA.MDB and start %2 in its folder.\n"
    "  %1 create URI\n"
    "      Makes the empty Soldier table and its Name index in the database on a\n"
    "      PostgreSQL server that URI names (postgresql://host/database, with\n"
    "      ?sslmode=... and the like); start %2 with --database URI.\n"
    "  %1 copy FROM TO\n"
    "      Copies a roster between a file and a server, either way (FROM and TO\n"
    "      are each a roster file or a server's URI): the same columns, every\n"
    "      record with its key and values, in one transaction, read back and\n"
    "      compared record by record before it counts. FROM is only read; TO\n"
    "      must be a new file or a database without a Soldier table.\n"
    "  %1 sample FILE --count N [--seed S] [--edge-cases]\n"
    "      Writes a new roster file with N soldiers of a plausible unit: every\n"
    "      soldier named, ranks in a company's proportions with the service,\n"
    "      awards and schools that go with them, most totalled in the last weeks.\n"
    "      With --edge-cases a few soldiers also lack a name, rank or date, or\n"
    "      carry lower-case or stray codes and blank evaluations.\n"
    "      The same seed gives the same soldiers (default seed 1).\n"
    "  %1 report LAYOUT PDF [--force]\n"
    "      Writes the report that the layout file describes straight to a PDF\n"
    "      file, without a window. The PDF appears only once it is whole: after\n"
    "      any failure no PDF and no temporary file is left, and a PDF that was\n"
    "      there stays as it was. An existing PDF is replaced only with --force;\n"
    "      the layout's roster and the layout file itself are never written over.\n"
    "      Exits with 0 and prints \"Wrote PDF\" once the PDF is in place, else\n"
    "      with 1 and the failure's number and description.\n"
    "  %1 total ROSTER\n"
    "      Works out every soldier's points by the Total command's rules, as\n"
    "      File > Total All Soldiers does, in one transaction, and prints what\n"
    "      it did: soldiers totalled, those refused for a PEBD or DOR that is no\n"
    "      date, the fitness and weapon notices, and totals left blank for a\n"
    "      blank evaluation. Exits with 1 when a soldier was refused.\n"
    "  %1 export ROSTER CSV [--merit] [--force]\n"
    "      Writes the roster as a CSV file for a spreadsheet, as File > Export\n"
    "      does: every soldier in the roster's order with every column, or with\n"
    "      --merit the merit list (place, name, rank, points, total and its\n"
    "      date). UTF-8, dates as 2004-03-15, Yes/No as Yes or No. An existing\n"
    "      CSV is replaced only with --force; the roster is never written over.\n"
    "  %1 recover COPY ROSTER NAME\n"
    "      Brings the soldier NAME (exactly as the grid shows it) back from COPY,\n"
    "      a safety copy in ~/.local/share/%2/backups or any older roster,\n"
    "      into ROSTER: each of his records that ROSTER does not hold as it is\n"
    "      is added again, with every value but the key. %2 may be open;\n"
    "      press Sort there to see him. Prints how many records were added.\n"
    "  %1 import OLD NEW\n"
    "      Brings the soldiers of OLD, a roster kept in an Access file (Jet 3,\n"
    "      Jet 4 or ACE: .mdb, .accdb), across into NEW, a new roster file: the\n"
    "      same columns in the same order, every record with its key and each\n"
    "      value as stored. OLD is only read; NEW must not exist and appears\n"
    "      only once it is whole. A field with no value (NULL) stays without a\n"
    "      value and an empty text stays empty text; Access and mdb-export show\n"
    "      both as blank. Prints the records and the columns by kind.\n"
    "\n"
    "A ROSTER (of total and export) may be a roster file or a PostgreSQL\n"
    "server's URI, given in its place or as --database URI. A password never\n"
    "goes in the URI: libpq reads it from ~/.pgpass (or the file PGPASSFILE\n"
    "names) or a service file; otherwise it is asked for on the terminal.\n"
    "create, sample and copy refuse to overwrite an existing file or table.\n");
// clang-format on

QString usage(const QCommandLineParser& parser)
{
    return parser.helpText()
        + QCoreApplication::translate("varnel::tools", kCommands)
              .arg(QStringLiteral(VARNEL_ROSTER_PROGRAM), QStringLiteral(VARNEL_PRODUCT_NAME));
}

int usageError(const QCommandLineParser& parser, const QString& message)
{
    std::fprintf(stderr, VARNEL_ROSTER_PROGRAM ": %s\n\n%s", qPrintable(message), qPrintable(usage(parser)));
    return 2;
}

// The values given for `option`, each a whole number from 0 to `max`; the
// last one given goes into `number`. Else the first value that is not.
std::optional<QString> notANumber(const QCommandLineParser& parser, const QCommandLineOption& option, qint64 max,
                                  qint64& number)
{
    for (const QString& value : parser.values(option)) {
        bool ok = false;
        number = value.toLongLong(&ok);
        if (!ok || number < 0 || number > max)
            return value;
    }
    return std::nullopt;
}

// An argument that a command's options refuse, as it was typed.
struct Misfit {
    QString argument;
    bool lacksValue = false; // an option that takes a value, last on the line
};

// Reads a command's own arguments: its options wherever they stand among
// its files, "--" ending the options. Nothing when Qt took them all; else
// the first argument it refused: an option the command does not have, a
// switch given a value, or an option whose value is missing.
std::optional<Misfit> readCommand(QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                                  const QString& command, const QStringList& args)
{
    parser.addOptions(options);
    if (parser.parse(QStringList{command} + args))
        return std::nullopt;
    // Qt names the options it does not know without their dashes, and a
    // value it takes for an option may itself begin with a dash.
    const QStringList unknown = parser.unknownOptionNames();
    const auto isSwitch = [&](const QString& name) {
        return std::any_of(options.begin(), options.end(), [&](const QCommandLineOption& option) {
            return option.names().contains(name) && option.valueName().isEmpty();
        });
    };
    for (const QString& a : args) {
        if (a == QLatin1String("--"))
            break;
        if (a.size() < 2 || !a.startsWith(u'-'))
            continue;
        if (!a.startsWith(QLatin1String("--"))) {
            if (std::any_of(a.begin() + 1, a.end(), [&](QChar c) { return unknown.contains(QString(c)); }))
                return Misfit{a};
            continue;
        }
        const QString name = a.mid(2).section(u'=', 0, 0);
        if (unknown.contains(name) || (a.contains(u'=') && isSwitch(name)))
            return Misfit{a};
    }
    return Misfit{args.last(), true};
}

} // namespace

int runReport(const QString& layout, const QString& pdf, bool force);
int runImport(const QString& oldPath, const QString& newPath);
int runTotal(const QString& rosterPath);
int runExport(const QString& rosterPath, const QString& csvPath, bool merit, bool force);

namespace {

int sampleCommand(const QCommandLineParser& usageParser, const QStringList& args)
{
    const QCommandLineOption count(QStringLiteral("count"), QString(), QStringLiteral("N"));
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("S"));
    const QCommandLineOption edgeCases(QStringLiteral("edge-cases"));
    QCommandLineParser parser;
    if (const auto misfit = readCommand(parser, {count, seed, edgeCases}, QStringLiteral("sample"), args)) {
        if (misfit->lacksValue)
            return usageError(usageParser,
                              QCoreApplication::translate("varnel::tools", "%1 needs a number.").arg(misfit->argument));
        return usageError(usageParser,
                          QCoreApplication::translate("varnel::tools", "unexpected argument \"%1\".")
                              .arg(misfit->argument));
    }
    varnel::tools::SampleOptions options;
    qint64 n = options.count;
    if (const auto bad = notANumber(parser, count, 10'000'000, n))
        return usageError(usageParser,
                          QCoreApplication::translate("varnel::tools",
                                                      "--count must be a whole number from 0 to 10000000, not \"%1\".")
                              .arg(*bad));
    options.count = int(n);
    n = options.seed;
    if (const auto bad = notANumber(parser, seed, 0xFFFFFFFFLL, n))
        return usageError(usageParser,
                          QCoreApplication::translate("varnel::tools",
                                                      "--seed must be a whole number from 0 to 4294967295, not \"%1\".")
                              .arg(*bad));
    options.seed = quint32(n);
    options.edgeCases = parser.isSet(edgeCases);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return usageError(usageParser,
                          QCoreApplication::translate("varnel::tools", "unexpected argument \"%1\".").arg(files.at(1)));
    const QString file = files.value(0);
    if (file.isEmpty() || !parser.isSet(count))
        return usageError(usageParser,
                          QCoreApplication::translate("varnel::tools", "sample needs FILE and --count N."));
    varnel::tools::writeSampleRoster(file, options);
    std::printf("Wrote %d soldiers to %s\n", options.count, qPrintable(file));
    return 0;
}

int reportCommand(const QCommandLineParser& usageParser, const QStringList& args)
{
    const QCommandLineOption force(QStringLiteral("force"));
    QCommandLineParser parser;
    if (const auto misfit = readCommand(parser, {force}, QStringLiteral("report"), args))
        return usageError(usageParser,
                          QCoreApplication::translate("varnel::tools", "unexpected option \"%1\".")
                              .arg(misfit->argument));
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return usageError(usageParser, QCoreApplication::translate("varnel::tools", "report takes LAYOUT and PDF."));
    return runReport(files.at(0), files.at(1), parser.isSet(force));
}

// `--database URI` (or `--database=URI`) names a roster on a server in
// place of the ROSTER argument, as `varnel --database URI` does: taken out
// of `args` and put first, where ROSTER stands. A mistake is said in
// `error`.
QStringList rosterFromDatabaseOption(QStringList args, QString& error)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString uri;
        if (args.at(i) == QLatin1String("--database")) {
            if (i + 1 >= args.size()) {
                error = QCoreApplication::translate("varnel::tools", "--database needs a server's URI.");
                return args;
            }
            uri = args.takeAt(i + 1);
        } else if (args.at(i).startsWith(QLatin1String("--database="))) {
            uri = args.at(i).mid(int(qstrlen("--database=")));
        } else {
            continue;
        }
        args.removeAt(i);
        if (!varnel::RosterLocation(uri).isServer()) {
            // Not shown: it may hold a password.
            error = QCoreApplication::translate("varnel::tools", "The address given with --database is not one libpq reads: a URI "
                                                                 "beginning postgresql://, or keyword=value pairs such as \"host=... dbname=...\".");
            return args;
        }
        args.prepend(uri);
        return args;
    }
    return args;
}

int exportCommand(const QCommandLineParser& usageParser, const QStringList& args)
{
    const QCommandLineOption merit(QStringLiteral("merit"));
    const QCommandLineOption force(QStringLiteral("force"));
    QCommandLineParser parser;
    if (const auto misfit = readCommand(parser, {merit, force}, QStringLiteral("export"), args))
        return usageError(usageParser,
                          QCoreApplication::translate("varnel::tools", "unexpected option \"%1\".")
                              .arg(misfit->argument));
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return usageError(usageParser, QCoreApplication::translate("varnel::tools", "export takes ROSTER and CSV."));
    return runExport(files.at(0), files.at(1), parser.isSet(merit), parser.isSet(force));
}

int createCommand(const QCommandLineParser& parser, const QStringList& args)
{
    if (args.size() != 1)
        return usageError(parser, QCoreApplication::translate("varnel::tools", "create takes one FILE."));
    const varnel::RosterLocation roster(args.at(0));
    varnel::tools::createRoster(roster);
    std::printf("Wrote an empty roster to %s\n", qPrintable(roster.inWords()));
    return 0;
}

int copyCommand(const QCommandLineParser& parser, const QStringList& args)
{
    if (args.size() != 2)
        return usageError(parser, QCoreApplication::translate("varnel::tools", "copy takes FROM and TO."));
    const varnel::RosterLocation from(args.at(0)), to(args.at(1));
    const varnel::tools::CopySummary copied = varnel::tools::copyRoster(from, to);
    std::printf("Copied %d record(s) of %d columns from %s to %s\n", copied.records, copied.columns, qPrintable(from.inWords()),
                qPrintable(to.inWords()));
    return 0;
}

int totalCommand(const QCommandLineParser& parser, const QStringList& args)
{
    if (args.size() != 1)
        return usageError(parser, QCoreApplication::translate("varnel::tools", "total takes one ROSTER."));
    return runTotal(args.at(0));
}

int recoverCommand(const QCommandLineParser& parser, const QStringList& args)
{
    if (args.size() != 3)
        return usageError(parser, QCoreApplication::translate("varnel::tools", "recover takes COPY, ROSTER and NAME."));
    const int added = varnel::tools::recoverSoldier(args.at(0), args.at(1), args.at(2));
    std::printf("Brought back %d record(s) of %s from %s into %s\n", added, qPrintable(args.at(2)),
                qPrintable(varnel::RosterLocation(args.at(0)).inWords()), qPrintable(varnel::RosterLocation(args.at(1)).inWords()));
    return 0;
}

int importCommand(const QCommandLineParser& parser, const QStringList& args)
{
    if (args.size() != 2)
        return usageError(parser, QCoreApplication::translate("varnel::tools", "import takes OLD and NEW."));
    return runImport(args.at(0), args.at(1));
}

// Runs `command` with its arguments; a failure goes on to the caller.
int runCommand(const QCommandLineParser& parser, const QString& command, QStringList args)
{
    using Run = int (*)(const QCommandLineParser&, const QStringList&);
    const std::pair<const char*, Run> commands[] = {
        {"create", &createCommand}, {"copy", &copyCommand},     {"sample", &sampleCommand},   {"report", &reportCommand},
        {"total", &totalCommand},   {"export", &exportCommand}, {"recover", &recoverCommand}, {"import", &importCommand}};
    if (command == QLatin1String("total") || command == QLatin1String("export")) {
        QString error;
        args = rosterFromDatabaseOption(args, error);
        if (!error.isEmpty())
            return usageError(parser, error);
    }
    for (const auto& [name, run] : commands) {
        if (command == QLatin1String(name))
            return run(parser, args);
    }
    return usageError(parser, QCoreApplication::translate("varnel::tools", "unknown command \"%1\".").arg(command));
}

} // namespace

int main(int argc, char* argv[])
{
    // Reports lay out text with fonts, which needs a GUI application; the
    // file commands need none, and none of them needs a screen.
    const bool reporting = argc > 1 && qstrcmp(argv[1], "report") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (reporting) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral(VARNEL_ROSTER_PROGRAM));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("varnel::tools", "The command-line companion for %1's roster file.")
            .arg(QStringLiteral(VARNEL_PRODUCT_NAME)));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QCoreApplication::translate("varnel::tools", "create, copy, sample, report, total, export, recover or import, with its own arguments (below)."),
                                 QCoreApplication::translate("varnel::tools", "COMMAND [ARGUMENTS...]"));
    // From the command on, every argument is the command's own, options
    // like --count and --force included.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(app->arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    QStringList args = parser.positionalArguments();
    // --help after a command shows the help too.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(qPrintable(usage(parser)), stdout);
        return 0;
    }
    if (args.isEmpty())
        return usageError(parser, QCoreApplication::translate("varnel::tools", "no command given."));

    // A server that asks for a password gets it from the terminal when
    // libpq finds it nowhere.
    varnel::setPasswordPrompt(&varnel::tools::askPasswordOnTerminal);

    // Commands without options (create, copy, total, recover, import) take their
    // arguments as they stand, so a file or a soldier's name may begin with
    // a dash.
    const QString command = args.takeFirst();
    try {
        return runCommand(parser, command, args);
    } catch (const varnel::Failure& failure) {
        std::fprintf(stderr, VARNEL_ROSTER_PROGRAM ": error %d: %s\n", failure.number(),
                     qPrintable(failure.description()));
        return 1;
    } catch (const std::exception& error) {
        // Out of memory or a fault of the program: still a message and a
        // failing exit, never an abort.
        std::fprintf(stderr, VARNEL_ROSTER_PROGRAM ": %s\n", error.what());
        return 1;
    }
}
