#pragma once
// What one logger's run produced: values with their captions, or reply lines, or an error.
#include <string>
#include <vector>

namespace kdcli {

struct Field {
    std::string caption;  // the window's caption, "Device ID:"
    std::string key;      // stable lower snake case, for --json
    std::string value;    // the text as the window shows it (8-bit bytes)
};

struct Outcome {
    std::string port, device;
    int status = 0;
    std::string error;                // one line when status is not 0
    std::vector<Field> fields;
    bool hasLines = false;            // send: the reply lines below are the data
    std::vector<std::string> lines;
    std::string csvRows;              // records: the records received, as CSV rows

    // apply: the preview (setting, on the logger, new value) or each value sent (setting,
    // sent, held now), passwords masked as the window masks them.
    struct Row {
        std::string setting, before, after;
        // What became of a value sent (a preview row: Kept).
        enum class Fate { Kept, NotKept, Refused, Unanswered } fate = Fate::Kept;
        bool kept() const { return fate == Fate::Kept; }
    };
    enum class RowKind { None, Preview, Sent } rowKind = RowKind::None;
    std::vector<Row> rows;
    std::vector<std::string> notes;   // said on stderr: parts of a profile left out
};

}  // namespace kdcli
