#pragma once
// The records features in the main window: Tools > "Download Records...", File > "Export
// Records..." and View > "Records Chart", on the core's recorder (records/).
#include <QObject>
#include <QString>
#include <optional>
#include <string>

class QAction;

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
    // Asks for a file, then exports; exportTo does the export to a file chosen already.
    void exportRecords();
    bool exportTo(const QString& file);
    void openChart();

    // The logger shown: the device of the record in the panel, else the logger read; UTF-8.
    std::optional<std::string> shownDevice() const;

    DownloadDialog* downloadDialog() const { return download_; }
    RecordsChart* chart() const { return chart_; }
    QAction* downloadAction() const { return downloadAction_; }
    QAction* exportAction() const { return exportAction_; }
    QAction* chartAction() const { return chartAction_; }

private:
    MainWindow& window_;
    Program& p_;
    records::Recorder& recorder_;
    DownloadDialog* download_ = nullptr;
    RecordsChart* chart_ = nullptr;
    QAction* downloadAction_;
    QAction* exportAction_;
    QAction* chartAction_;
};

}  // namespace kd
