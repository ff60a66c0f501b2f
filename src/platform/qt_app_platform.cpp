#include "platform/qt_app_platform.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace kd {

std::tm QtClock::localNow() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
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
