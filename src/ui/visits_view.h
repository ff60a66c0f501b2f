#pragma once
// The visit record in the window: Edit > "Check before leaving", View > "Logger History" and
// File > "Visit Report..." (the open visit, or the one chosen in the history).
#include <QObject>
#include <filesystem>

#include "visits/visit.h"

class QAction;

namespace kd {

class IniFile;
class LoggerHistory;
class MainWindow;
class Program;
namespace visits {
class ProgramVisits;
}

class VisitsView : public QObject {
    Q_OBJECT
public:
    VisitsView(MainWindow& window, Program& p, visits::ProgramVisits& visits, IniFile& settings,
               std::filesystem::path archive);

    QAction* checkAction() const { return check_; }
    QAction* historyAction() const { return history_; }
    QAction* reportAction() const { return report_; }
    LoggerHistory* history() const { return window_history_; }
    // Writes the report of a visit to the file the technician chooses; "" when written.
    std::string writeReport(const visits::Visit& visit, const visits::Visit* previous, const std::string& file);

private:
    void openHistory();
    void reportOpenVisit();
    void askAndWrite(const visits::Visit& visit, const visits::Visit* previous);

    MainWindow& window_;
    Program& p_;
    visits::ProgramVisits& visits_;
    IniFile& settings_;
    std::filesystem::path archive_;
    QAction* check_;
    QAction* history_;
    QAction* report_;
    LoggerHistory* window_history_ = nullptr;
};

}  // namespace kd
