// What keeping the traffic transcript costs a line, as the port's thread sees it: the window's
// in-memory store (also once it is full and drops its oldest lines), and keldamar's
// --transcript file (formatting, masking and one write to the system per line). Prints the
// median, 99th and 99.9th percentiles and the maximum of each, in microseconds.
// Run: build/release/bench/transcript_bench [FOLDER for the file, default $TMPDIR or /tmp]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "link/transcript.h"
#include "transcript_file.h"

namespace {

using Clock = std::chrono::steady_clock;

kd::LocalTime Now() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    kd::LocalTime t;
    localtime_r(&seconds, &t.tm);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

void Report(const char* what, std::vector<double> us) {
    std::sort(us.begin(), us.end());
    const auto q = [&](double p) { return us[std::min(us.size() - 1, static_cast<std::size_t>(p * static_cast<double>(us.size())))]; };
    std::printf("%-44s n=%zu median %.2f  p99 %.2f  p99.9 %.2f  max %.2f us\n", what, us.size(), q(0.5), q(0.99),
                q(0.999), us.back());
}

template <class F>
std::vector<double> Time(int lines, F&& each) {
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; ++i) {
        const auto t0 = Clock::now();
        each(i);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return us;
}

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path folder = argc > 1 ? argv[1] : (tmp ? tmp : "/tmp");
    const std::string answer = "+APNCON: internet,guest,s3cret\r\n";
    constexpr int kLines = 20000;

    kd::Transcript window;
    Report("window, kept in memory (clock included)", Time(kLines, [&](int) { window.received(answer, Now()); }));
    while (window.size() < kd::Transcript::kDefaultLimit - 64) window.received(answer, Now());
    Report("window, full: the oldest line dropped", Time(kLines, [&](int) { window.received(answer, Now()); }));

    const std::filesystem::path file = folder / ("kd-transcript-bench-" + std::to_string(::getpid()) + ".txt");
    kdcli::TranscriptFile out;
    if (const std::string error = out.open(file.string()); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    kd::Transcript cli;
    cli.keep = false;
    cli.onLine = [&](const kd::LocalTime& at, kd::TrafficDirection d, std::string_view line) { out.write(at, d, line, {}); };
    Report(("keldamar --transcript in " + folder.string()).c_str(), Time(kLines, [&](int) { cli.received(answer, Now()); }));
    std::filesystem::remove(file);
    return out.error().empty() ? 0 : 1;
}
