// keldamar against simulated hubs paced at 9600 baud, as processes, next to the ideal client
// in the same run:
//   1. a hub's read: the time on the wire (first command byte to the newest record's last
//      byte, from the simulator's transcript) of `keldamar read`, against the ideal client's;
//   2. start-up: from starting the process to the first byte on the wire;
//   3. four hubs at once with one `keldamar read`: elapsed against one hub alone.
// Medians of RUNS runs (argument, default 5). Run it from bench/run_cli_bench.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "simulator.h"
#include "spawn.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs a program to its end; returns its exit status, `started` when it was launched. The
// values read are not what is measured: stdout to /dev/null.
int Spawn(const std::vector<std::string>& args, Clock::time_point* started) { return SpawnQuietly(args, false, started); }

struct Wire {
    Clock::time_point first, last;  // first byte in, last byte out
};
Wire WireSpan(const kdsim::Simulator& sim) {
    Wire w{};
    bool any = false;
    for (const kdsim::TranscriptEntry& e : sim.transcript()) {
        if (e.direction == kdsim::Direction::In && !any) {
            w.first = e.time;
            any = true;
        }
        if (e.direction == kdsim::Direction::Out) w.last = e.time;
    }
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string cli = KELDAMAR_CLI_EXE, ideal = IDEAL_CLIENT_EXE;

    std::vector<std::unique_ptr<kdsim::Simulator>> hubs;
    const auto dir = std::filesystem::temp_directory_path() / ("kd-cli-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string ports;
    for (int i = 0; i < 4; ++i) {
        kdsim::Options o;
        o.model = kdsim::Model::Hub;
        o.records = 20;
        auto sim = std::make_unique<kdsim::Simulator>();
        if (!sim->start(o)) {
            std::fprintf(stderr, "%s\n", sim->error().c_str());
            return 1;
        }
        ports += "COM" + std::to_string(5 + i) + "=" + sim->devicePath() + "\r\n";
        hubs.push_back(std::move(sim));
    }
    std::ofstream(dir / "ORVIKAS.ini", std::ios::binary) << "[Ports]\r\n" << ports;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    kdsim::Simulator& hub = *hubs[0];

    std::vector<double> cliWire, idealWire, startup, one, four, transcriptWire;
    for (int r = 0; r < runs; ++r) {
        Clock::time_point started;
        hub.clearRecords();
        if (Spawn({ideal, hub.devicePath(), "1"}, &started) != 0) return 1;
        const Wire iw = WireSpan(hub);
        idealWire.push_back(Ms(iw.last - iw.first));

        hub.clearRecords();
        if (Spawn({cli, "read", "--port", "COM5", "-q"}, &started) != 0) return 1;
        const Clock::time_point ended = Clock::now();
        const Wire cw = WireSpan(hub);
        cliWire.push_back(Ms(cw.last - cw.first));
        startup.push_back(Ms(cw.first - started));
        one.push_back(Ms(ended - started));

        // The same read writing its transcript line by line.
        hub.clearRecords();
        if (Spawn({cli, "read", "--port", "COM5", "-q", "--transcript", (dir / "transcript.txt").string()}, &started) != 0)
            return 1;
        const Wire tw = WireSpan(hub);
        transcriptWire.push_back(Ms(tw.last - tw.first));

        for (auto& h : hubs) h->clearRecords();
        if (Spawn({cli, "read", "--port", "COM5", "--port", "COM6", "--port", "COM7", "--port", "COM8", "-q"},
                  &started) != 0)
            return 1;
        four.push_back(Ms(Clock::now() - started));
    }
    const double ratio = Median(cliWire) / Median(idealWire);
    std::printf("hub read on the wire: keldamar %.1f ms, ideal client %.1f ms, ratio %.4f (goal <= 1.01)\n",
                Median(cliWire), Median(idealWire), ratio);
    std::printf("hub read on the wire with --transcript: %.1f ms, ratio to without %.4f\n", Median(transcriptWire),
                Median(transcriptWire) / Median(cliWire));
    std::printf("start-up to the first byte on the wire: %.1f ms (median; max %.1f; goal < 50)\n", Median(startup),
                *std::max_element(startup.begin(), startup.end()));
    std::printf("keldamar read, whole process: one hub %.1f ms, four hubs at once %.1f ms, ratio %.4f (goal <= 1.1)\n",
                Median(one), Median(four), Median(four) / Median(one));
    std::filesystem::remove_all(dir);
    return 0;
}
