#pragma once
// The parameter panel: defaults at start-up, change marks, SIM card type controls.
#include "app/controls.h"

namespace kd {

class Program;

void ShowDefaults(Program& p);
void ModemParm_Change(Program& p, int index);
void SIMTypeOption_Click(Program& p, int index);
void NetworkName_Click(Program& p);

// True when a reply about to fill a box marked so must leave it alone: the reply confirms no
// upload step and belongs to no read the technician asked for, so the red text is a change
// the logger has not taken yet.
bool KeepsUnsentChange(const Program& p, Colour mark);

}  // namespace kd
