#pragma once
// Every value the window shows after a read, with the window's captions and stable keys, in
// the window's order: parameters, SIM type, status, hub table and channel, newest record.
// What a visit keeps as found, and what the command line prints.
#include <vector>

#include "visits/visit.h"

namespace kd {
class Program;
}

namespace kd::visits {

std::vector<FoundValue> FoundValues(const Program& p);
// The logger's clock as the status panel shows it.
FoundValue TimeValue(const Program& p);
// The key of a parameter row 0..14 ("logging_interval"); "" for another row.
const char* RowKey(int row);

}  // namespace kd::visits
