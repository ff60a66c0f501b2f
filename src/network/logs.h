#pragma once
// Log records: fetching by number, the newest at the end of a read, showing, storing and
// paging through the records fetched.
#include <string>

namespace kd {

class Program;

void FetchNewestRecord(Program& p);
void ApplyLogRecord(Program& p, const std::string& line);
void StoreLogRecord(Program& p);

// Asking for records and paging through them (log_browse.cpp).
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyDown = 40;
void FetchLog_Click(Program& p);
void LogBox_KeyDown(Program& p, int keyCode);
void Nextlog_Click(Program& p);
void Prevlog_Click(Program& p);
void ShowLogRecord(Program& p);

}  // namespace kd
