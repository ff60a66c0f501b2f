#include "platform/qt_app_platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace kd {

namespace {
std::tm Local(std::time_t at) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &at);
#else
    localtime_r(&at, &local);
#endif
    return local;
}
}  // namespace

std::tm QtClock::localNow() const { return Local(std::time(nullptr)); }

LocalTime QtClock::localNowPrecise() const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch()).count();
    // Floor division, so a time before 1970 still gets its milliseconds right.
    const long long seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    return {Local(static_cast<std::time_t>(seconds)), static_cast<int>(ms - seconds * 1000)};
}

void QtExit::exitNow() {
    // "Exit" ends the program without questions, even from inside a modal loop; nothing is
    // left to save, so skipping destructors loses nothing but buffered output.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace kd
