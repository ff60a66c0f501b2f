#pragma once
// The work of each subcommand on one session with its port open, through the core's own
// procedures; each ends by finishing the session with its outcome.
#include <string>

#include "arguments.h"
#include "profiles/profile_file.h"

namespace kdcli {

class Session;

// "Load Settings" as the window runs it, then every value the window shows.
void StartRead(Session& s);
// "Load Settings", the profile into the panel as the window's File > Load puts it, then the
// window's checked upload (or, for a dry run, its preview). Exit status 3 when the logger did
// not keep a value, naming each; 4 when the panel or the upload's checks refuse the profile.
void StartApply(Session& s, const kd::Profile& profile, bool dryRun);
// The logger's clock from this computer's, as the window's "Set" sends it.
void StartSetTime(Session& s);
// One command; the reply lines until the reply time-out passes without another.
void StartSend(Session& s, const std::string& command);
// "Load Settings", then a range download into the records archive; the records received
// go to the outcome as CSV rows, the summary to its fields. Exit status 2 when records were
// skipped or the logger stopped answering, 4 when the archive cannot be used.
void StartRecords(Session& s, const Invocation& what);

// How far a read is: commands sent against the longest chain (a hub with the SIM type).
inline constexpr int kReadCommands = 24;

}  // namespace kdcli
