// keldamar-sim: a simulated logger on a pseudo-terminal. See --help.
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "cli.h"
#include "settings/ini_file.h"
#include "simulator.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = kdsim::parseCommandLine(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "keldamar-sim: %s\nTry keldamar-sim --help.\n", parsed.error.c_str());
        return 2;
    }
    const auto& cfg = parsed.config;
    if (cfg.help) {
        std::fputs(kdsim::usageText().c_str(), stdout);
        return 0;
    }

    // Block the stop signals before the serving thread starts, so only sigtimedwait below
    // sees them and the thread is never interrupted mid-write.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    kdsim::Simulator sim;
    if (!sim.start(cfg.options)) {
        std::fprintf(stderr, "keldamar-sim: %s\n", sim.error().c_str());
        return 1;
    }
    if (cfg.mapCom > 0) {
        // The program may run from another folder, so a relative link is entered in full.
        const std::string device = cfg.options.linkPath.empty()
                                       ? sim.devicePath()
                                       : std::filesystem::absolute(cfg.options.linkPath).string();
        const std::filesystem::path dir =
            cfg.settingsDir.empty() ? kd::SettingsDirectory() : std::filesystem::path(cfg.settingsDir);
        if (!kdsim::mapComPort(dir, cfg.mapCom, device)) {
            std::fprintf(stderr, "keldamar-sim: cannot write COM%d to %s\n", cfg.mapCom,
                         (dir / kd::kSettingsFileName).c_str());
            sim.stop();
            return 1;
        }
        std::fprintf(stderr, "keldamar-sim: COM%d = %s in %s\n", cfg.mapCom, device.c_str(),
                     (dir / kd::kSettingsFileName).c_str());
    }

    std::string path = sim.devicePath();
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    const timespec tick{0, 200'000'000};
    while (true) {
        const int sig = sigtimedwait(&stopSignals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM) break;
        // A device reopened after a hang-up has a new name; the first line of stdout stays
        // the first one, so scripts reading it are not confused.
        if (const auto now = sim.devicePath(); now != path) {
            path = now;
            std::fprintf(stderr, "keldamar-sim: device reopened as %s\n", path.c_str());
        }
    }
    sim.stop();
    return 0;
}
