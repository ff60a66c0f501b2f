#pragma once
// The column of stored defaults: copying one into its parameter, and editing them through
// Edit > Defaults, which checks the two intervals and writes all nine to the settings file.

namespace kd {

class Program;

void Defaults_DblClick(Program& p, int index);
void Defaults_GotFocus(Program& p, int index);
void DefEdit_Click(Program& p);
void SaveDefaults(Program& p);

}  // namespace kd
