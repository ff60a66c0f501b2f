#pragma once
// What the program keeps between a profile load and the uploads after it.
#include <functional>
#include <string>
#include <vector>

namespace kd {

class TextBox;

// One value an upload sent and what the logger's answer says it now holds.
struct SentValue {
    std::string setting;    // as the preview names it, e.g. "APN Password"
    std::string sent, held;
    bool password = false;  // show masked
    bool refused = false;   // answered ERROR: held is what the last read reported
    bool kept() const { return !refused && sent == held; }
};

// The checked upload of one press of "Upload Settings".
struct UploadCheck {
    bool running = false;
    std::vector<SentValue> values;         // every value answered so far, in the order sent
    std::vector<std::string> answered;     // commands answered: not sent again in this run
    // The step awaiting its answer: the boxes it sent (none for the SIM card type).
    struct Watched {
        TextBox* box;
        std::string raw;  // what the box held, or the SIM type digits
        SentValue value;
        bool compared;    // false for the SIM number, whose command carries no value
    };
    std::string pendingCommand;
    std::vector<Watched> pending;
};

struct ProfileSession {
    bool previewNextUpload = false;  // a profile was loaded: its upload is shown first
    std::string folder;              // of the profile saved or loaded last
    UploadCheck check;
    // After a profile's values went into the panel: its name, for the visit record.
    std::function<void(const std::string& name)> onApplied;
};

}  // namespace kd
