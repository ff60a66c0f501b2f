#pragma once
// Start-up and the frame-level commands of the main window.

namespace kd {

class Program;

void Form_Load(Program& p);
void Form_Resize(Program& p);
void NewButton_Click(Program& p);
void ClearButton_Click(Program& p);
void ExitButton_Click(Program& p);

}  // namespace kd
