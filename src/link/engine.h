#pragma once
// The one road to and from the logger: sending a command, receiving and cutting reply lines,
// re-sending on time-out, and the two traffic panes.

#include <string>

namespace kd {

class Program;

inline constexpr int kTxPaneLimit = 20000;
inline constexpr int kRxLogLimit = 20000;
inline constexpr int kRxLogKeep = 15000;
// An unfinished line longer than this is cut to its last kRxBufferKeep bytes: real lines are
// under 200 bytes, and a logger that never sends a line feed must not grow memory for ever.
inline constexpr int kRxBufferKeep = 4096;
inline constexpr const char* kPortClosedNotice = "Port closed: command not sent";

// True when the command went out; false when the port refused it (closed), which the
// status line then says.
bool SendCommand(Program& p);
void Comport_OnComm(Program& p, int event);
void RXTimer_Timer(Program& p);
void ReplyTimeout_Timer(Program& p);
void ReportNoResponse(Program& p);
// A command line as sent, without its line end.
std::string CommandOfLine(const std::string& sent);

// The sender's convention in one call: ReplyState, TxCommand = text + LineEnd, SendCommand,
// and RetryCount 0 when a reply is awaited.
void SendQuery(Program& p, int state, const std::string& command);

}  // namespace kd
