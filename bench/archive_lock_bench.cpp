// `keldamar records --from 30 --to 59` against a simulated logger paced at 9600 baud, with the
// records archive free and with another program holding a write lock on it for the whole run
// (a connection of this program after BEGIN IMMEDIATE, as a sqlite3 shell would):
//   - the download on the wire: first "AT+EVENT=" byte in to the last record's byte out, from
//     the simulator's transcript; locked against free (ratio; goal <= 1.10);
//   - the whole process, its exit status and the CSV's rows (the locked run waits a bounded
//     time at the end for the lock, then exits 4).
// Medians of RUNS runs (argument, default 5). Run it from bench/run_archive_lock_bench.
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Runs the tool to its end, its output to /dev/null; the exit status.
int Spawn(const std::vector<std::string>& args) { return SpawnQuietly(args, true); }

// First range request in to the last byte out.
double DownloadMs(const kdsim::Simulator& sim) {
    Clock::time_point first{}, last{};
    bool started = false;
    for (const kdsim::TranscriptEntry& e : sim.transcript()) {
        if (e.direction == kdsim::Direction::In && !started && e.bytes.rfind("AT+EVENT=30", 0) == 0) {
            first = e.time;
            started = true;
        }
        if (started && e.direction == kdsim::Direction::Out) last = e.time;
    }
    return started ? Ms(last - first) : -1;
}

long Rows(const std::filesystem::path& csv) {
    std::ifstream in(csv, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return static_cast<long>(std::count(text.begin(), text.end(), '\n')) - 1;
}

struct Figures {
    std::vector<double> wire, process;
    std::vector<int> status;
    std::vector<long> rows;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string cli = KELDAMAR_CLI_EXE;
    kdsim::Options o;
    o.records = 100;
    kdsim::Simulator sim;
    if (!sim.start(o)) {
        std::fprintf(stderr, "%s\n", sim.error().c_str());
        return 1;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("kd-archive-lock-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "ORVIKAS.ini", std::ios::binary) << "[Ports]\r\nCOM5=" << sim.devicePath() << "\r\n";
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    const auto archive = dir / "data" / "keldamar" / "records.sqlite";
    const auto csv = dir / "r.csv";
    const std::vector<std::string> args = {cli, "records", "--port", "COM5", "--from", "30", "--to", "59",
                                           "--csv", csv.string()};
    // The archive exists and is ours before the first measured run.
    if (Spawn(args) != 0) {
        std::fprintf(stderr, "the first run failed\n");
        return 1;
    }

    Figures free, locked;
    for (int r = 0; r < runs; ++r) {
        for (const bool lock : {false, true}) {
            Figures& f = lock ? locked : free;
            sqlite3* other = nullptr;
            if (lock) {
                sqlite3_open(archive.c_str(), &other);
                if (sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
                    std::fprintf(stderr, "could not lock the archive\n");
                    return 1;
                }
            }
            std::filesystem::remove(csv);
            sim.clearRecords();
            const auto started = Clock::now();
            f.status.push_back(Spawn(args));
            f.process.push_back(Ms(Clock::now() - started));
            f.wire.push_back(DownloadMs(sim));
            f.rows.push_back(Rows(csv));
            if (other) {
                sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
                sqlite3_close(other);
            }
        }
    }
    auto line = [](const char* what, const Figures& f) {
        std::printf("%-8s download on the wire %.1f ms, whole process %.1f ms, exit status %d, CSV rows %ld\n", what,
                    Median(f.wire), Median(f.process), f.status.back(), f.rows.back());
    };
    line("free:", free);
    line("locked:", locked);
    std::printf("download locked / free: %.4f (goal <= 1.10)\n", Median(locked.wire) / Median(free.wire));
    std::filesystem::remove_all(dir);
    return 0;
}
