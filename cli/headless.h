#pragma once
// The platform of a run without a window: message boxes become messages for the job to act
// on (Retry/Cancel answers Cancel), the port dialog closes at once, "Exit" ends one port's
// work rather than the process.
#include <functional>
#include <string>

#include "app/platform.h"
#include "link/coms_box.h"

namespace kdcli {

class HeadlessDialogs final : public kd::Dialogs {
public:
    std::function<void(const std::string& text, const std::string& detail)> onMessage;

    kd::MsgAnswer messageBox(const std::string& text, const std::string&, kd::MsgIcon, kd::MsgButtons buttons,
                             const std::string& detail) override {
        if (onMessage) onMessage(text, detail);
        return buttons == kd::MsgButtons::RetryCancel ? kd::MsgAnswer::Cancel : kd::MsgAnswer::Ok;
    }
    void runComsBox(kd::ComsBox& box) override { box.unload(); }
    // The command line is the technician's go-ahead; --dry-run shows the preview instead.
    bool confirmUpload(const std::vector<kd::UploadPreviewRow>&) override { return true; }
};

class HeadlessExit final : public kd::ProgramExit {
public:
    std::function<void()> onExit;
    void exitNow() override {
        if (onExit) onExit();
    }
};

}  // namespace kdcli
