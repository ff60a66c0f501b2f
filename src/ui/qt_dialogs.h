#pragma once
// Message boxes and the port dialog on Qt, for the core's Dialogs interface.
#include "app/platform.h"

class QWidget;

namespace kd {

class TimerDriver;

class QtDialogs final : public Dialogs {
public:
    // timers: the driver the port dialog's timer runs on, told when that timer goes.
    explicit QtDialogs(TimerDriver* timers = nullptr) : timers_(timers) {}
    // The main window: parent of the boxes once it is on the screen.
    void setWindow(QWidget* window) { window_ = window; }

    MsgAnswer messageBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                         const std::string& detail = {}) override;
    void runComsBox(ComsBox& box) override;
    std::string profileToSave(const std::string& folder, const std::string& suggestedName) override;
    std::string profileToOpen(const std::string& folder) override;
    bool confirmUpload(const std::vector<UploadPreviewRow>& rows) override;
    std::optional<std::string> signalSpanName(const std::string& suggested) override;

private:
    QWidget* owner() const;
    TimerDriver* timers_;
    QWidget* window_ = nullptr;
};

}  // namespace kd
