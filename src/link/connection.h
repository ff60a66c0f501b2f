#pragma once
// Connecting and disconnecting: the state is the caption of ConnectButton.

namespace kd {

class Program;

void ConnectButton_Click(Program& p);
void Connected_DblClick(Program& p);
void Disconnected_DblClick(Program& p);
// The port reported that its device vanished: show the disconnected state, so the operator
// sees it at once and can connect again when the cable is back. Disconnect and a lost port
// both end the work of the line's holder.
void PortLost(Program& p);

}  // namespace kd
