#pragma once
// File > "Save Transcript...": the connection's traffic with its times, as UTF-8 text.

namespace kd {

class Program;

void SaveTranscript_Click(Program& p);

}  // namespace kd
