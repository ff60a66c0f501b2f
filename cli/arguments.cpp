#include "arguments.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QRegularExpression>
#include <cctype>

#include "exit_status.h"
#include "records/range.h"

namespace kdcli {

namespace {

struct Subcommand {
    const char* name;
    Command command;
    const char* synopsis;
    const char* summary;
    bool takesPorts;
    const char* operand;  // name of the one operand, or nullptr
};

const Subcommand kSubcommands[] = {
    {"ports", Command::Ports, "keldamar ports [--json]",
     "List the serial devices present with their COM numbers, paths and descriptions.", false, nullptr},
    {"read", Command::Read, "keldamar read --port P [--port P]... [--json]",
     "Read every setting and status value, as the window's \"Load Settings\" does, and print them "
     "with the window's captions.", true, nullptr},
    {"apply", Command::Apply, "keldamar apply PROFILE --port P [--port P]... [--dry-run] [--json]",
     "Read the logger, then send exactly the values of the profile (the window's profile file) that "
     "differ from it, with the window's checks and set commands, one per answer, and report each value "
     "sent and whether the logger kept it, also when the logger refuses one (it stops there), stops "
     "answering, the port goes or the run is interrupted. --dry-run prints the preview (setting, on the "
     "logger, new value), runs the same checks and says what they would refuse, and sends nothing.",
     true, "PROFILE"},
    {"set-time", Command::SetTime, "keldamar set-time --port P [--port P]... [--json]",
     "Set the logger's clock from this computer's, as the window's \"Set\" beside \"Time & Date:\" "
     "does, and print the time the logger then reports.", true, nullptr},
    {"records", Command::Records,
     "keldamar records --port P [--port P]... [--from N --to M | --unread | --all] [--csv FILE] [--json]",
     "Download log records into the records archive the window keeps, one request per answer, and "
     "optionally write them as the window's CSV ('--csv -' for standard output). Without a range the "
     "unread records are fetched. Records that do not come after five requests are skipped and listed.",
     true, nullptr},
    {"send", Command::Send, "keldamar send --port P [--port P]... [--json] COMMAND",
     "Send one command (for example 'AT+WDT?') and print the lines that arrive until 1.5 seconds "
     "pass without one, or 5 seconds after the command, whichever comes first.", true, "COMMAND"},
    {"visits", Command::Visits, "keldamar visits [--device ID] [--json]",
     "List the visits the records archive keeps (newest first): when, which logger, by whom, the "
     "battery, the clock's offset, what was changed and the records rescued.", false, nullptr},
    {"report", Command::Report, "keldamar report (--visit N | --device ID) (--pdf FILE | --html FILE)",
     "Write the report of one visit (by its number, or the device's last) as PDF or HTML.", false, nullptr},
};

const char* const kPortHelp =
    "Ports: P is a COM number (COM1 to COM16, mapped to a device as the window maps it, the\n"
    "settings file's [Ports] section included), a device path such as /dev/ttyUSB0, or 'all'\n"
    "for every USB serial adapter present. With several ports the loggers are served at once,\n"
    "one result each.\n";

const char* const kExitHelp =
    "Exit status: 0 all well, 1 usage, 2 a logger did not answer or the port could not be\n"
    "opened, 3 a logger did not keep or refused a value (or its own values fail the upload's\n"
    "checks), 4 a file could not be read or written or the profile holds a value the checks\n"
    "refuse; with several ports, the worst one.\n";

// Words filled into lines of at most 80 columns, lines after the first indented.
std::string Wrapped(const std::string& text, std::size_t indent) {
    std::string out, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && indent + line.size() + 1 + word.size() > 80) {
            out += line + "\n" + std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return out + line;
}

std::string TopHelp() {
    std::string text =
        "Usage: keldamar SUBCOMMAND [OPTIONS]\n\n"
        "Command-line tool for KELDAMAR field data loggers and hubs on a serial line, on the\n"
        "same core as the KELDAMAR Utility window. Data goes to standard output; progress and\n"
        "messages go to standard error.\n\nSubcommands:\n";
    for (const Subcommand& s : kSubcommands) {
        std::string name = s.name;
        name.resize(10, ' ');
        text += "  " + name + Wrapped(s.summary, 12) + "\n";
    }
    text += "\nRun 'keldamar SUBCOMMAND --help' for its options.\n\n";
    return text + kPortHelp + "\n" + kExitHelp;
}

ParsedArguments Finish(int status, std::string output, std::string error = {}) {
    ParsedArguments r;
    r.done = true;
    r.status = status;
    r.output = std::move(output);
    r.error = std::move(error);
    return r;
}

// One line: what was wrong, and where the help is. `sub` is empty before a subcommand is known.
ParsedArguments Usage(const std::string& sub, const std::string& message) {
    const std::string prefix = sub.empty() ? std::string() : sub + " ";
    return Finish(kExitUsage, {}, "keldamar: " + (sub.empty() ? "" : sub + ": ") + message + " (see keldamar " + prefix +
                                      "--help)");
}

// The text a --port value or a command was given in, as the logger's 8-bit bytes.
bool ToLatin1(const QString& text, std::string* out) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF) return false;
    const QByteArray bytes = text.toLatin1();
    out->assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

}  // namespace

bool ParsePortChoice(const std::string& text, PortChoice* out) {
    PortChoice choice;
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"), QRegularExpression::CaseInsensitiveOption);
    const QString q = QString::fromLocal8Bit(text.c_str());
    if (q.compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0) {
        choice.kind = PortChoice::Kind::All;
    } else if (const auto m = com.match(q); m.hasMatch()) {
        choice.kind = PortChoice::Kind::Com;
        choice.com = m.captured(1).toInt();
        if (choice.com < 1 || choice.com > 16) return false;
    } else if (text.find('/') != std::string::npos) {
        choice.kind = PortChoice::Kind::Path;
        choice.path = text;
    } else {
        return false;
    }
    if (out != nullptr) *out = choice;
    return true;
}

ParsedArguments ParseArguments(const QStringList& args) {
    if (args.size() < 2) return Usage("", "no subcommand given");
    const QString first = args.at(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help"))
        return Finish(kExitOk, TopHelp());
    if (first == QLatin1String("--version")) return Finish(kExitOk, "keldamar " KELDAMAR_VERSION "\n");

    const Subcommand* sub = nullptr;
    for (const Subcommand& s : kSubcommands)
        if (first == QLatin1String(s.name)) sub = &s;
    if (sub == nullptr) {
        if (first.startsWith(QLatin1Char('-'))) return Usage("", "unknown option '" + first.toStdString() + "'");
        return Usage("", "unknown subcommand '" + first.toStdString() + "'");
    }
    const std::string where = sub->name;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("The logger's port; may be given several times."), QStringLiteral("P"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object per logger, one per line, instead of text."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("No progress on standard error, only errors."));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("First log number, 0 to 4095."), QStringLiteral("N"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("Last log number, 0 to 4095 (below --from: round the ring)."),
                                QStringLiteral("M"));
    const QCommandLineOption unread(QStringLiteral("unread"), QStringLiteral("The records not yet read (the default)."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Every record of the ring of 4096, oldest first."));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Print what would be sent and what the checks would refuse; send nothing."));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Write the records as CSV to FILE ('-': standard output)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption transcript(QStringLiteral("transcript"),
                                        QStringLiteral("Write every line sent and received, with its time, to FILE as it goes."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Only this logger's visits (its device ID)."),
                                    QStringLiteral("ID"));
    const QCommandLineOption visit(QStringLiteral("visit"), QStringLiteral("The visit's number, as 'visits' lists it."),
                                   QStringLiteral("N"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), QStringLiteral("Write the report as PDF (A4) to FILE."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption html(QStringLiteral("html"), QStringLiteral("Write the report as HTML to FILE."),
                                  QStringLiteral("FILE"));
    parser.addOption(help);
    if (sub->takesPorts) parser.addOptions({port, transcript});
    if (sub->command == Command::Visits) parser.addOption(device);
    if (sub->command == Command::Report) parser.addOptions({visit, device, pdf, html});
    if (sub->command == Command::Records) parser.addOptions({from, to, unread, all, csv});
    if (sub->command == Command::Apply) parser.addOption(dryRun);
    parser.addOption(json);
    if (sub->takesPorts) parser.addOption(quiet);
    if (sub->operand != nullptr) parser.addPositionalArgument(QLatin1String(sub->operand), QString());

    QStringList rest = args.mid(2);
    rest.prepend(QStringLiteral("keldamar ") + first);
    if (!parser.parse(rest)) {
        // Qt says "Unknown option 'x'." or "Missing value after '--port'.": fit it into the line.
        std::string why = parser.errorText().toStdString();
        if (!why.empty() && why.back() == '.') why.pop_back();
        if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
        return Usage(where, why);
    }

    if (parser.isSet(help)) {
        QString options = parser.helpText();
        options = options.mid(options.indexOf(QLatin1String("Options:")));
        const qsizetype arguments = options.indexOf(QLatin1String("\nArguments:"));
        if (arguments >= 0) options.truncate(arguments + 1);
        std::string text = std::string("Usage: ") + sub->synopsis + "\n\n" + Wrapped(sub->summary, 0) + "\n\n" +
                           options.toStdString();
        if (sub->takesPorts) text += std::string("\n") + kPortHelp + "\n" + kExitHelp;
        return Finish(kExitOk, text);
    }

    ParsedArguments r;
    Invocation& inv = r.invocation;
    inv.command = sub->command;
    inv.json = parser.isSet(json);
    const QStringList operands = parser.positionalArguments();
    if (sub->takesPorts) {
        inv.quiet = parser.isSet(quiet);
        for (const QString& value : parser.values(port)) {
            std::string text;
            if (!ToLatin1(value, &text) || !ParsePortChoice(text, nullptr))
                return Usage(where, "unknown port '" + value.toStdString() +
                                        "' (give COM1 to COM16, a device path or all)");
            inv.ports.push_back(text);
        }
        if (inv.ports.empty()) return Usage(where, "no --port given");
        inv.transcript = parser.value(transcript).toLocal8Bit().toStdString();
        if (parser.isSet(transcript) && inv.transcript.empty()) return Usage(where, "--transcript needs a file name");
    }
    const qsizetype wanted = sub->operand != nullptr ? 1 : 0;
    if (operands.size() > wanted) return Usage(where, "unexpected argument '" + operands.at(wanted).toStdString() + "'");
    if (operands.size() < wanted) return Usage(where, std::string("no ") + sub->operand + " given");
    if (sub->command == Command::Send) {
        if (!ToLatin1(operands.at(0), &inv.text))
            return Usage(where, "the command holds characters a logger cannot receive (8-bit text only)");
        if (inv.text.empty()) return Usage(where, "the command is empty");
        // The line end is added on sending; one inside would make two commands.
        if (inv.text.find_first_of("\r\n") != std::string::npos)
            return Usage(where, "the command holds a line break; send one command at a time");
    }
    if (sub->command == Command::Visits || sub->command == Command::Report) {
        if (parser.isSet(device) && !ToLatin1(parser.value(device), &inv.device))
            return Usage(where, "a device ID is 8-bit text");
    }
    if (sub->command == Command::Report) {
        if (parser.isSet(visit) == parser.isSet(device)) return Usage(where, "give one of --visit and --device");
        if (parser.isSet(visit)) {
            bool ok = false;
            inv.visit = parser.value(visit).toLongLong(&ok);
            if (!ok || inv.visit <= 0) return Usage(where, "a visit number is a whole number above 0");
        }
        if (parser.isSet(pdf) == parser.isSet(html)) return Usage(where, "give one of --pdf and --html");
        inv.reportPdf = parser.isSet(pdf);
        inv.reportFile = (inv.reportPdf ? parser.value(pdf) : parser.value(html)).toLocal8Bit().toStdString();
        if (inv.reportFile.empty()) return Usage(where, "the report needs a file name");
    }
    if (sub->command == Command::Apply) {
        inv.profile = operands.at(0).toLocal8Bit().toStdString();
        inv.dryRun = parser.isSet(dryRun);
    }
    if (sub->command == Command::Records) {
        const bool numbers = parser.isSet(from) || parser.isSet(to);
        if (numbers + parser.isSet(unread) + parser.isSet(all) > 1)
            return Usage(where, "give one of --from/--to, --unread and --all");
        if (numbers) {
            if (!parser.isSet(from) || !parser.isSet(to)) return Usage(where, "--from and --to go together");
            const auto firstNumber = kd::records::ParseLogNumber(parser.value(from).toStdString());
            const auto lastNumber = kd::records::ParseLogNumber(parser.value(to).toStdString());
            if (!firstNumber || !lastNumber) return Usage(where, "a log number is 0 to 4095");
            inv.range = Invocation::Range::Numbers;
            inv.from = *firstNumber;
            inv.to = *lastNumber;
        } else if (parser.isSet(all)) {
            inv.range = Invocation::Range::All;
        }
        inv.csv = parser.value(csv).toStdString();
        if (parser.isSet(csv) && inv.csv.empty()) return Usage(where, "--csv needs a file name, or - for standard output");
        if (inv.csv == "-" && inv.json) return Usage(where, "--csv - and --json both want standard output");
    }
    return r;
}

}  // namespace kdcli
