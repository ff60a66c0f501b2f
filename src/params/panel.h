#pragma once
// The parameter panel: defaults at start-up, change marks, SIM card type controls.

namespace kd {

class Program;

void ShowDefaults(Program& p);
void ModemParm_Change(Program& p, int index);
void SIMTypeOption_Click(Program& p, int index);
void NetworkName_Click(Program& p);

}  // namespace kd
