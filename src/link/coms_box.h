#pragma once
// The port selection dialog as a model. Its controls are created afresh at every showing,
// so the list always starts empty.
#include "app/controls.h"
#include "app/timer.h"

namespace kd {

inline constexpr int kComsBoxOffsetX = 1470;  // twips right of the main window's left
inline constexpr int kComsBoxOffsetY = 600;   // twips below its top

class ComsBox {
public:
    ComsBox() {
        ComFrame.setCaption("Communications Ports");
        SearchText.setCaption("Searching...");
        ComsCombo.setText("Select Com Port");
        TestComs.setCaption("Test");
        OKButton.setCaption("OK");
        CancelButton.setCaption("Cancel");
    }
    const char* caption() const { return "COM Port Selection"; }
    bool closed() const { return closed_; }
    // Unload: the view closes the window when it sees this.
    void unload() { closed_ = true; if (onUnload) onUnload(); }

    Frame ComFrame{"ComFrame"};
    Label SearchText{"SearchText"};
    ComboBox ComsCombo{"ComsCombo"};
    Button TestComs{"TestComs"};
    Button OKButton{"OKButton"};
    Button CancelButton{"CancelButton"};
    Timer DisplayTimer{"DisplayTimer", 500, true};
    // What the system says about the device of the selected entry (path and description).
    Label DeviceInfo{"DeviceInfo"};

    std::function<void()> onUnload;
    std::function<void()> onCloseBox;  // the window's close box

private:
    bool closed_ = false;
};

}  // namespace kd
