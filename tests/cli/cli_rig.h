#pragma once
// Simulated loggers mapped as COM ports in a settings folder of their own, and the keldamar
// executable run against them as a technician's script would run it.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "simulator.h"

namespace kdtest {

struct CliRun {
    int status = -1;
    std::string out, err;
    // stdout as one JSON object per line.
    std::vector<QJsonObject> objects() const {
        std::vector<QJsonObject> r;
        for (const QByteArray& line : QByteArray::fromStdString(out).split('\n'))
            if (!line.isEmpty()) r.push_back(QJsonDocument::fromJson(line).object());
        return r;
    }
};

class CliRig {
public:
    CliRig() {
        dir_ = std::filesystem::temp_directory_path() / ("kd-cli-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
    }
    ~CliRig() {
        sims_.clear();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Starts a simulated logger and maps it as COM `com`; returns it.
    kdsim::Simulator& addLogger(int com, kdsim::Options o) {
        auto sim = std::make_unique<kdsim::Simulator>();
        if (!sim->start(o)) throw std::runtime_error(sim->error());
        ports_ += "COM" + std::to_string(com) + "=" + sim->devicePath() + "\r\n";
        std::ofstream(dir_ / "ORVIKAS.ini", std::ios::binary) << "[DEFAULT]\r\nComport=5\r\n[Ports]\r\n" << ports_;
        sims_.push_back(std::move(sim));
        return *sims_.back();
    }

    // Settings and records archive in the rig's folder.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(dir_.string()));
        env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString((dir_ / "data").string()));
        return env;
    }

    CliRun run(const std::vector<std::string>& args, int timeoutMs = 60000) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        QStringList list;
        for (const std::string& a : args) list << QString::fromStdString(a);
        process.start(QStringLiteral(KELDAMAR_CLI_EXE), list);
        CliRun r;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            r.err = "keldamar did not finish";
            return r;
        }
        r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput().toStdString();
        r.err = process.readAllStandardError().toStdString();
        return r;
    }

    // keldamar with stdout and stderr on one pseudo-terminal, as in a technician's shell: all
    // it wrote there, as the terminal received it.
    CliRun runOnTerminal(const std::vector<std::string>& args) const {
        std::vector<std::string> env;
        const QProcessEnvironment e = environment();
        for (const QString& key : e.keys()) env.push_back((key + "=" + e.value(key)).toStdString());
        std::vector<char*> envp, argv;
        for (std::string& v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string exe = KELDAMAR_CLI_EXE;
        std::vector<std::string> all{exe};
        all.insert(all.end(), args.begin(), args.end());
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        CliRun r;
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid < 0) return r;
        if (pid == 0) {
            ::execve(exe.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (char buf[4096];;) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 100) > 0) {
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n <= 0) break;  // EIO: the program has gone and closed the terminal
                r.out.append(buf, static_cast<std::size_t>(n));
            }
            if (std::chrono::steady_clock::now() > until) {
                ::kill(pid, SIGKILL);
                break;
            }
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(master);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::string ports_;
    std::vector<std::unique_ptr<kdsim::Simulator>> sims_;
};

}  // namespace kdtest
