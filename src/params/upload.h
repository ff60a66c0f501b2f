#pragma once
// The upload of changed parameters, one set command per logger answer. The red change marks
// are the only record of what is still to send, so an interrupted upload resumes by itself.
#include <string>
#include <vector>

namespace kd {

class Program;
class TextBox;

// One item of the upload, in upload order: a parameter row, a group of rows sent together,
// the hub's device table, or the SIM card type.
struct UploadItem {
    enum class Kind { Rows, DeviceTable, SimType };
    Kind kind = Kind::Rows;
    const char* command = "";
    int firstRow = 0;               // rows: the first row of the item
    std::vector<TextBox*> values;   // boxes whose texts go on the wire, in order
};

void Uploadbutton_Click(Program& p);
void UploadNext(Program& p);

// Every item that holds a change mark, in upload order (the SIM type only where supported).
std::vector<UploadItem> PendingUploadItems(Program& p);
// The command line of an item, without the line end.
std::string UploadCommand(Program& p, const UploadItem& item);

}  // namespace kd
