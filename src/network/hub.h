#pragma once
// The hub's device table, radio channel and device scan.
#include <string>

namespace kd {

class Program;

void ClearHubAndLogDisplay(Program& p);
void NWDevIDBox_Change(Program& p, int index);
void ApplyDeviceTable(Program& p, const std::string& line);
void ApplyRadioChannel(Program& p, const std::string& line);
void ApplyScanResult(Program& p, const std::string& line);

}  // namespace kd
