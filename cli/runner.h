#pragma once
// Runs a parsed command line: the subcommand on every port at once, results in port order.
#include "arguments.h"

namespace kdcli {

// Returns the exit status (the worst of all ports).
int Run(const Invocation& invocation);

}  // namespace kdcli
