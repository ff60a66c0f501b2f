#pragma once
// Simulated loggers mapped as COM ports in a settings folder of their own, and the keldamar
// executable run against them as a technician's script would run it.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
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

    CliRun run(const std::vector<std::string>& args) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        QStringList list;
        for (const std::string& a : args) list << QString::fromStdString(a);
        process.start(QStringLiteral(KELDAMAR_CLI_EXE), list);
        CliRun r;
        if (!process.waitForFinished(60000)) {
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

    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::string ports_;
    std::vector<std::unique_ptr<kdsim::Simulator>> sims_;
};

}  // namespace kdtest
