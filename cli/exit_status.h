#pragma once
// The tool's exit statuses. With several ports the worst (highest) one is returned.

namespace kdcli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;      // bad arguments: nothing was sent
inline constexpr int kExitNoAnswer = 2;   // a port could not be opened, or a logger did not answer
inline constexpr int kExitNotKept = 3;    // a logger did not keep a value it was sent
inline constexpr int kExitFile = 4;       // a file could not be read or written
inline constexpr int kExitInterrupted = 130;  // SIGINT or SIGTERM, as a shell reports it

}  // namespace kdcli
