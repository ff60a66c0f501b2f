#pragma once
// The buttons of the status block that change the logger, and "Reload Status".
#include <ctime>
#include <string>

namespace kd {

class Program;

void ClearWDT_Click(Program& p);
void ClearPU_Click(Program& p);
void SetAO_Click(Program& p);
void SetTimeDate_Click(Program& p);
void ResetRG_Click(Program& p);
void RefreshStat_Click(Program& p);

// YYMMDDhhmmss of a local time, hour on the 24-hour clock.
std::string TimeDigits(const std::tm& t);

}  // namespace kd
