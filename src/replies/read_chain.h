#pragma once
// "Load Settings": the chain of queries that reads a logger. Each query is sent by the
// handler of the previous reply (see dispatcher.cpp); this starts it.

namespace kd {

class Program;

void LoadSettings_Click(Program& p);

}  // namespace kd
