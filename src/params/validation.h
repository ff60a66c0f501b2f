#pragma once
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// Checks run before an upload sends anything: the logger's own ranges, and values that
// could not travel as the single field or single line they must be.

namespace kd {

class Program;
class TextBox;
struct UploadItem;

// A value the upload's checks refuse: the message the window shows and the box it names.
struct ParameterProblem {
    std::string message;
    int row = -1;              // the parameter row; -1 for a hub device slot
    TextBox* box = nullptr;    // focused by the window; null for the read-only SIM number
};

// The first of rows 0, 3, 4, 5 and 6 out of the logger's ranges, or nothing.
std::optional<ParameterProblem> FindParameterProblem(Program& p);
// The first value of the items that cannot be sent safely (see RefuseUnsafeValue), or nothing.
std::optional<ParameterProblem> FindUnsafeValue(Program& p, const std::vector<UploadItem>& items);

// Checks rows 0, 3, 4, 5 and 6; tells the user about the first failure and sets ParmCheckFailed.
void CheckParameters(Program& p);

// The first box of a changed item whose text cannot be sent safely (a line break would put a
// second command on the line; a comma ends the field, so the logger would store the text
// before it or shift the fields after it), starting at the item upload order names first;
// shows why and moves the focus there. Returns false when everything to send is safe.
bool RefuseUnsafeValue(Program& p);
// The same check on the given items only (the one about to go out during an upload).
bool RefuseUnsafeValue(Program& p, const std::vector<UploadItem>& items);

// The message box style of every problem the user can fix, then the box focused and selected.
void TellAndFocus(Program& p, const char* message, TextBox* box);

// Exact text comparison against a fixed list: "05" or " 5" is not "5".
bool IsOneOf(const std::string& text, std::initializer_list<const char*> list);

}  // namespace kd
