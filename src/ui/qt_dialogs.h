#pragma once
// Message boxes and the port dialog on Qt, for the core's Dialogs interface.
#include <QString>

#include "app/platform.h"

class QDialog;
class QFileDialog;
class QWidget;

namespace kd {

class TimerDriver;

class QtDialogs : public Dialogs {
public:
    // timers: the driver the port dialog's timer runs on, told when that timer goes.
    explicit QtDialogs(TimerDriver* timers = nullptr) : timers_(timers) {}
    // The main window: parent of the boxes once it is on the screen.
    void setWindow(QWidget* window) { window_ = window; }

    MsgAnswer messageBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                         const std::string& detail = {}) override;
    MsgAnswer systemMessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                               MsgButtons buttons) override;
    void runComsBox(ComsBox& box) override;
    std::string profileToSave(const std::string& folder, const std::string& suggestedName) override;
    std::string profileToOpen(const std::string& folder) override;
    std::string fileToSave(const std::string& title, const std::string& suggestedPath,
                           const std::string& filter) override;
    std::string transcriptToSave(const std::string& suggestedName) override;
    bool confirmUpload(const std::vector<UploadPreviewRow>& rows) override;
    bool leaveAnyway(const std::vector<std::string>& reasons) override;
    std::optional<std::string> signalSpanName(const std::string& suggested) override;

protected:
    // Runs a dialog until the user closes it and returns its result; exec() here. Tests put
    // their own hands in its place instead of timing a modal loop from outside.
    virtual int runModal(QDialog& dialog);

private:
    std::string chosen(QFileDialog& dialog);
    QWidget* owner() const;
    MsgAnswer show(const QString& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                   const std::string& detail);
    TimerDriver* timers_;
    QWidget* window_ = nullptr;
};

}  // namespace kd
