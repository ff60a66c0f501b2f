#pragma once
// Permission checks never fail for root, and the tests run as root on the build machines:
// cases about refused permissions run their part in a child process as the user nobody.
#include <functional>
#include <string>

namespace kdtest {

inline constexpr unsigned kNobody = 65534;  // uid of nobody and gid of nogroup

bool RunningAsRoot();

// Runs fn in a forked child, as nobody when the tests run as root (else as the current
// user), and returns the text fn returned. A child that hangs (a blocking open, say) is
// stopped by an alarm after 30 s and the result names the signal instead.
std::string InChild(const std::function<std::string()>& fn, bool asNobody = true);

}  // namespace kdtest
