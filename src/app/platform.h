#pragma once
// What the core asks of the platform besides the serial port: message boxes and modal
// dialogs, program exit, the wall clock. Qt implementations in platform/ and ui/, fakes in tests.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace kd {

class ComsBox;
struct UploadPreviewRow;

enum class MsgIcon { Information, Critical, Warning };
enum class MsgButtons { Ok, RetryCancel };
enum class MsgAnswer { Ok, Retry, Cancel };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box; detail is extra text (the system's reason) shown on request.
    virtual MsgAnswer messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                                 MsgButtons buttons, const std::string& detail = {}) = 0;
    // The same for a text that names a file: UTF-8, as the system spells file names
    // (basic/path_text.h), where messageBox texts are the line's one-byte characters.
    virtual MsgAnswer systemMessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                                       MsgButtons buttons) {
        return messageBox(text, title, icon, buttons);
    }
    // Shows the port dialog modally; returns when it has been closed (box.closed()).
    virtual void runComsBox(ComsBox& box) = 0;

    // Fleet profiles: the file to write (suggestedName, in folder or where the platform keeps
    // documents when folder is empty) or to read; "" when the user cancelled.
    virtual std::string profileToSave(const std::string& folder, const std::string& suggestedName) {
        (void)folder, (void)suggestedName;
        return {};
    }
    virtual std::string profileToOpen(const std::string& folder) {
        (void)folder;
        return {};
    }
    // Any other file to write (an export, a picture): the dialog's title, the suggested path and
    // a filter such as "CSV files (*.csv)"; "" when the user cancelled.
    virtual std::string fileToSave(const std::string& title, const std::string& suggestedPath,
                                   const std::string& filter) {
        (void)title, (void)suggestedPath, (void)filter;
        return {};
    }
    // "Before you leave": lists what the technician would not want to leave behind, one line
    // of reason each; true for "Leave anyway", false for "Stay".
    virtual bool leaveAnyway(const std::vector<std::string>& reasons) {
        (void)reasons;
        return true;
    }
    // The file to save the traffic transcript in (suggestedName in the documents folder by
    // default); "" when the user cancelled.
    virtual std::string transcriptToSave(const std::string& suggestedName) {
        (void)suggestedName;
        return {};
    }
    // Shows what an upload is about to send; true when the user chose to send it.
    virtual bool confirmUpload(const std::vector<UploadPreviewRow>& rows) {
        (void)rows;
        return false;
    }
    // The signal monitor's "Mark...": a short name for the antenna's new place (UTF-8),
    // suggested filled in; nothing when the user cancelled.
    virtual std::optional<std::string> signalSpanName(const std::string& suggested) {
        (void)suggested;
        return std::nullopt;
    }
};

class ProgramExit {
public:
    virtual ~ProgramExit() = default;
    // Ends the program at once. The port has been released before this is called.
    virtual void exitNow() = 0;
};

// The local time with its milliseconds, for stamps finer than the second.
struct LocalTime {
    std::tm tm{};
    int millisecond = 0;  // 0..999
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::tm localNow() const = 0;
    // A clock that knows no milliseconds says 0.
    virtual LocalTime localNowPrecise() const { return {localNow(), 0}; }
};

}  // namespace kd
