#pragma once
// View > "Logger History": every device of the records archive, the visits of the one chosen
// (newest first) with its health between them, a chart of battery volts and clock offset over
// the visits, and "Compare...": two visits, or a visit and a profile, setting by setting.
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "visits/history.h"
#include "visits/visit.h"

class QChart;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kd {

class Dialogs;

class LoggerHistory : public QWidget {
    Q_OBJECT
public:
    LoggerHistory(std::filesystem::path archive, Dialogs& dialogs, QWidget* parent = nullptr);
    // Reads the archive anew: devices, and the visits of the device chosen (or `device`).
    void reload(const std::optional<std::string>& device = std::nullopt);

    QTableWidget* devicesTable() const { return devices_; }
    QTableWidget* visitsTable() const { return visits_; }
    QLabel* driftLabel() const { return drift_; }
    // The visits of the device shown, newest first, and the ones chosen in the table.
    const std::vector<visits::Visit>& shownVisits() const { return shown_; }
    std::vector<const visits::Visit*> chosenVisits() const;
    // Asks for the report of the chosen visit (File > "Visit Report..." writes it).
    std::function<void(const visits::Visit&, const visits::Visit* previous)> onReport;

private:
    void showDevice(int row);
    void compare();
    void drawChart();

    std::filesystem::path archive_;
    Dialogs& dialogs_;
    QTableWidget* devices_;
    QTableWidget* visits_;
    QLabel* status_;
    QLabel* drift_;
    QChart* chart_;
    QPushButton* compare_;
    QPushButton* report_;
    std::vector<std::string> deviceIds_;
    std::vector<visits::Visit> shown_;
};

}  // namespace kd
