#include "visits_command.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <optional>

#include "exit_status.h"
#include "link/shown_text.h"
#include "output.h"
#include "platform/report_file.h"
#include "records/archive.h"
#include "visits/clock_offset.h"
#include "visits/history.h"
#include "visits/report.h"
#include "visits/visit_store.h"

namespace kdcli {

namespace {

QString Latin(const std::string& bytes) { return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())); }

std::unique_ptr<kd::visits::VisitReader> OpenArchive() {
    std::string error;
    auto reader = kd::visits::VisitReader::open(kd::records::DefaultArchivePath(), &error);
    if (!reader) std::fprintf(stderr, "keldamar: %s\n", TerminalText(error).c_str());
    return reader;
}

}  // namespace

int ListVisits(const Invocation& inv) {
    const auto reader = OpenArchive();
    if (!reader) return kExitFile;
    std::string error;
    const std::optional<std::string> device = inv.device.empty() ? std::nullopt : std::optional(inv.device);
    const std::vector<kd::visits::Visit> visits = reader->store().visits(device, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "keldamar: %s\n", TerminalText(error).c_str());
        return kExitFile;
    }
    if (visits.empty() && device) {
        std::fprintf(stderr, "keldamar visits: no visit to logger %s in the archive\n", TerminalText(inv.device).c_str());
        return kExitUsage;
    }
    // Health rows need each visit's predecessor of the same logger.
    std::vector<kd::visits::HistoryRow> rows;
    for (size_t i = 0; i < visits.size(); ++i) {
        const kd::visits::Visit* before = nullptr;
        for (size_t j = i + 1; j < visits.size() && before == nullptr; ++j)
            if (visits[j].deviceId == visits[i].deviceId) before = &visits[j];
        std::vector<kd::visits::Visit> pair = {visits[i]};
        if (before) pair.push_back(*before);
        rows.push_back(kd::visits::HistoryRows(pair).front());
    }
    for (size_t i = 0; i < visits.size(); ++i) {
        const kd::visits::Visit& v = visits[i];
        const kd::visits::HistoryRow& r = rows[i];
        if (inv.json) {
            QJsonObject o;
            o.insert(QStringLiteral("visit"), static_cast<qint64>(v.id));
            o.insert(QStringLiteral("uuid"), QString::fromStdString(v.uuid));
            o.insert(QStringLiteral("device"), Latin(v.deviceId));
            o.insert(QStringLiteral("model"), Latin(v.model));
            o.insert(QStringLiteral("started"), static_cast<qint64>(v.started));
            if (v.ended) o.insert(QStringLiteral("ended"), static_cast<qint64>(*v.ended));
            o.insert(QStringLiteral("user"), QString::fromStdString(v.user));
            o.insert(QStringLiteral("host"), QString::fromStdString(v.host));
            o.insert(QStringLiteral("face"), QString::fromStdString(v.face));
            o.insert(QStringLiteral("battery_volts"), Latin(r.battery));
            if (v.clockFound) o.insert(QStringLiteral("clock_offset"), static_cast<qint64>(*v.clockFound));
            if (v.clockLeft) o.insert(QStringLiteral("clock_offset_after"), static_cast<qint64>(*v.clockLeft));
            o.insert(QStringLiteral("values_changed"), r.valuesChanged);
            o.insert(QStringLiteral("records_rescued"), r.recordsRescued);
            std::fputs((QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n").c_str(), stdout);
        } else {
            std::string line = std::to_string(v.id) + "  " + kd::visits::LocalTimeText(v.started) + "  " +
                               kd::VisibleText(v.deviceId) + "  " + TerminalText(v.user) + "  battery " +
                               kd::VisibleText(r.battery.empty() ? "?" : r.battery) + "  " +
                               (v.clockFound ? kd::visits::OffsetWords(*v.clockFound) : std::string("clock not read")) +
                               "  " + std::to_string(r.valuesChanged) + " changed  " +
                               std::to_string(r.recordsRescued) + " records rescued";
            std::fputs((line + "\n").c_str(), stdout);
        }
    }
    return kExitOk;
}

int WriteVisitReport(const Invocation& inv) {
    const auto reader = OpenArchive();
    if (!reader) return kExitFile;
    std::string error;
    std::optional<kd::visits::Visit> visit;
    if (inv.visit > 0) {
        visit = reader->store().visit(inv.visit, &error);
        if (!visit) {
            std::fprintf(stderr, "keldamar report: no visit %lld in the archive\n", inv.visit);
            return kExitUsage;
        }
    }
    const std::string device = visit ? visit->deviceId : inv.device;
    const std::vector<kd::visits::Visit> visits = reader->store().visits(device, &error);
    if (!visit) {
        if (visits.empty()) {
            std::fprintf(stderr, "keldamar report: no visit to logger %s in the archive\n", TerminalText(device).c_str());
            return kExitUsage;
        }
        visit = visits.front();
    }
    const kd::visits::Visit* previous = nullptr;
    for (const kd::visits::Visit& v : visits)
        if (v.uuid != visit->uuid && v.started <= visit->started) {
            previous = &v;
            break;
        }
    std::filesystem::path file(inv.reportFile);
    // The option names the kind; a name without the suffix gets it.
    if (kd::ReportFormatOf(file) != (inv.reportPdf ? kd::ReportFormat::Pdf : kd::ReportFormat::Html))
        file += inv.reportPdf ? ".pdf" : ".html";
    const std::string written = kd::WriteReportFile(file, kd::visits::ReportHtml({&*visit, previous, ""}));
    if (!written.empty()) {
        std::fprintf(stderr, "keldamar: %s\n", TerminalText(written).c_str());
        return kExitFile;
    }
    return kExitOk;
}

}  // namespace kdcli
