#pragma once
// The three free-form commands: sent as typed, and remembered in the settings file when sent.

namespace kd {

class Program;

void CustomSend_Click(Program& p, int index);

}  // namespace kd
