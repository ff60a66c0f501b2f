#pragma once
// The records features in the main window: Tools > "Download Records...", File > "Export
// Records..." and View > "Records Chart", on the core's recorder (records/). An export and a
// chart's reading run on a thread of their own with their own connection to the archive, so a
// download beside them keeps the wire's pace.
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <optional>
#include <string>

class QAction;
class QTimer;

namespace kd {

class MainWindow;
class Program;
class DownloadDialog;
class RecordsChart;
namespace records {
class Recorder;
}

class RecordsView : public QObject {
    Q_OBJECT
public:
    RecordsView(MainWindow& window, Program& p, records::Recorder& recorder);
    ~RecordsView() override;

    void openDownload();
    // Asks for a file, then exports; exportTo starts the export to a file chosen already
    // (false when one is running) and exportFinished says how it ended.
    void exportRecords();
    bool exportTo(const QString& file);
    bool exporting() const { return exporting_; }
    void openChart();

    // The logger shown (records::ShownDevice); UTF-8, nullopt for all loggers.
    std::optional<std::string> shownDevice() const;

    DownloadDialog* downloadDialog() const { return download_; }
    RecordsChart* chart() const { return chart_; }
    QAction* downloadAction() const { return downloadAction_; }
    QAction* exportAction() const { return exportAction_; }
    QAction* chartAction() const { return chartAction_; }

signals:
    void exportFinished(bool ok);
    // The chart has the archive's records (all of them, or those archived since it last read).
    void chartRead();

private:
    void readChart(long long afterId);
    void archived();

    MainWindow& window_;
    Program& p_;
    records::Recorder& recorder_;
    DownloadDialog* download_ = nullptr;
    RecordsChart* chart_ = nullptr;
    QAction* downloadAction_;
    QAction* exportAction_;
    QAction* chartAction_;
    // One thread for exports and chart reads, below the wire's thread in priority.
    QThreadPool worker_;
    bool exporting_ = false;
    int chartGeneration_ = 0;  // a read begun for an earlier opening is dropped
    bool chartReading_ = false;
    bool chartBehind_ = false;  // records were archived while the chart was reading
    QTimer* chartFollow_;
};

}  // namespace kd
