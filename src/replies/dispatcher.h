#pragma once
// The one place where the logger's replies take effect.

namespace kd {

class Program;

void ProcessReplyLine(Program& p);
void DropFirstReplyLine(Program& p);
void UpdateIDCaption(Program& p);

}  // namespace kd
