#pragma once
// What goes to stdout (data: text or one JSON object per line) and to stderr (progress and
// messages: a bar redrawn in place on a terminal, plain lines otherwise).
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "outcome.h"
#include "port_targets.h"

namespace kdcli {

// "Caption value" lines, or the reply lines, the logger's bytes shown terminal-safe.
std::string FormatText(const Outcome& o);
// One line: port, device, exit_status, error when there was one, then the values by key
// (or "lines" for a command's reply lines).
std::string FormatJson(const Outcome& o);
// A message for a terminal: well-formed UTF-8 as it is, any other byte a terminal would act
// on (controls, stray 8-bit bytes) shown visibly.
std::string TerminalText(std::string_view text);
std::string FormatDevices(const std::vector<SerialDevice>& devices, bool json);

class Progress {
public:
    // done(i) and total give each port's progress; bar: redraw one line in place.
    Progress(std::vector<std::string> labels, std::function<int(std::size_t)> done, int total, bool bar);
    ~Progress();
    // A message line on stderr, with the bar out of its way.
    void message(const std::string& line);
    // Before anything goes to stdout: the bar is cleared first when both are one terminal.
    void beforeOutput();
    void stop();

private:
    void draw();
    void clear();

    std::vector<std::string> labels_;
    std::function<int(std::size_t)> done_;
    int total_;
    bool bar_;
    bool drawn_ = false;
    bool sharesTerminal_ = false;
    QTimer timer_;
};

}  // namespace kdcli
