#pragma once
// The serial port: configuring, opening with the Retry/Cancel loop, and the port dialog's logic.
#include <string>

namespace kd {

class Program;
class ComsBox;

void ConfigurePort(Program& p);
// Returns true with the port open; false when the operator chose Cancel (the program ends).
bool OpenPort(Program& p);
void SetupComs_Click(Program& p);
// Creates the port dialog afresh, wires it and shows it modally.
void ShowComsBox(Program& p);

// The dialog's handlers (wired by ShowComsBox; public for tests that drive a ComsBox).
void WireComsBox(Program& p, ComsBox& box);
void SearchPorts(Program& p, ComsBox& box);
// The entry text for a port number: "COM" and the number with its sign blank ("COM 3").
std::string ComEntry(int number);
// The port number a text of the list stands for, or 0 when it is not a "COM" text.
int ComNumber(const std::string& text);

// What the port adapter's reason says when the device is held by another program.
inline constexpr const char* kHeldByAnother = "in use by another program";
// Text of the warning's details: the system's reason, with advice when it is a permission problem.
std::string PortFailureDetail(const std::string& reason);

}  // namespace kd
