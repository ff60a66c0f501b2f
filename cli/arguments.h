#pragma once
// The command line: a subcommand, its options and operands. Parsing never touches a port.
#include <QStringList>
#include <string>
#include <vector>

namespace kdcli {

enum class Command { Ports, Read, Apply, SetTime, Send, Records, Visits, Report };

struct Invocation {
    Command command = Command::Read;
    std::vector<std::string> ports;  // as given: COMn, a device path or "all"
    bool json = false;
    bool quiet = false;              // no progress on stderr
    std::string text;                // send: the command line, without its line end
    // records: which records (a log number range, the unread ones, or the whole ring), and
    // the CSV file ("-" for stdout, "" for none).
    enum class Range { Unread, All, Numbers } range = Range::Unread;
    int from = 0, to = 0;
    std::string csv;
    // apply: the profile file, and whether only the preview is wanted.
    std::string profile;
    bool dryRun = false;
    // Every line sent and received, with its time, written to this file as it goes ("": none).
    std::string transcript;
    // visits and report: one device's visits (--device), one visit (--visit), and the report's
    // file with its kind.
    std::string device;
    long long visit = 0;
    std::string reportFile;
    bool reportPdf = false;
};

struct ParsedArguments {
    Invocation invocation;
    // Set when the run ends here: help or version text for stdout, or a one-line error.
    bool done = false;
    int status = 0;
    std::string output;
    std::string error;
};

// args as QCoreApplication::arguments() gives them, the program name first.
ParsedArguments ParseArguments(const QStringList& args);

// What a --port value stands for: a COM number 1..16, a device path, or every USB serial
// adapter present. Anything else is a usage error.
struct PortChoice {
    enum class Kind { Com, Path, All } kind = Kind::Com;
    int com = 0;
    std::string path;
};
bool ParsePortChoice(const std::string& text, PortChoice* out);

}  // namespace kdcli
