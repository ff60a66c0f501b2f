#pragma once
// Log records: fetching the newest at the end of a read, showing and storing a record.
#include <string>

namespace kd {

class Program;

void FetchNewestRecord(Program& p);
void ApplyLogRecord(Program& p, const std::string& line);
void StoreLogRecord(Program& p);

}  // namespace kd
