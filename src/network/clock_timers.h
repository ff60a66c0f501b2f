#pragma once
// The clock in the window caption and the blink of a running scan.

namespace kd {

class Program;

void tmrTime_Timer(Program& p);

}  // namespace kd
