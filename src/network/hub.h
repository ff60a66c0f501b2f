#pragma once
// The hub's device table, radio channel and device scan.
#include <string>

namespace kd {

class Program;

void ClearHubAndLogDisplay(Program& p);
void NWDevIDBox_Change(Program& p, int index);
void EditNW_Click(Program& p);
void EditProbe_Click(Program& p);
void ApplyDeviceTable(Program& p, const std::string& line);
void ApplyRadioChannel(Program& p, const std::string& line);

// The radio scan of one slot (scan.cpp).
void ScanCommand_Click(Program& p, int index);
void ApplyScanResult(Program& p, const std::string& line);
void MainTimer_Timer(Program& p);

}  // namespace kd
