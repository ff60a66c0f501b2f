#pragma once
// Every value the window shows after a read, with the window's captions, in the window's
// order: parameters, SIM type, status, hub table and channel, newest record.
#include <vector>

#include "outcome.h"

namespace kd {
class Program;
}

namespace kdcli {

std::vector<Field> ReadValues(const kd::Program& p);
// The logger's clock as the status panel shows it.
Field TimeField(const kd::Program& p);

}  // namespace kdcli
