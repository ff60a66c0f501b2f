#pragma once
// The work of each subcommand on one session with its port open, through the core's own
// procedures; each ends by finishing the session with its outcome.
#include <chrono>
#include <string>

#include "link/command_failure.h"

#include "arguments.h"
#include "profiles/profile_file.h"

namespace kdcli {

class Session;

// "Load Settings" as the window runs it, then every value the window shows.
void StartRead(Session& s);
// "Load Settings", the profile into the panel as the window's File > Load puts it, then the
// window's checked upload (or, for a dry run, its preview and the same checks). Each value
// sent is reported with what became of it, however the upload ends. Exit status 3 when the
// logger did not keep or refused a value, naming each, or when its own values fail the
// upload's checks; 4 when the panel or the upload's checks refuse the profile's values.
void StartApply(Session& s, const kd::Profile& profile, bool dryRun);
// The logger's clock from this computer's, as the window's "Set" sends it.
void StartSetTime(Session& s);
// One command; the reply lines until kSendQuiet passes without another, or kSendLimit after
// the command, whichever comes first.
void StartSend(Session& s, const std::string& command);
inline constexpr std::chrono::milliseconds kSendQuiet{1500};
inline constexpr std::chrono::milliseconds kSendLimit{5000};
// "Load Settings", then a range download into the records archive; the records received
// go to the outcome as CSV rows, the summary to its fields. Exit status 2 when records were
// skipped or the logger stopped answering, 4 when the archive cannot be used.
void StartRecords(Session& s, const Invocation& what);

// "no answer to AT+... (sent 5 times)", passwords masked.
std::string NoAnswerText(const kd::CommandFailure& f);

// How far a read is: commands sent against the longest chain (a hub with the SIM type).
inline constexpr int kReadCommands = 24;

}  // namespace kdcli
