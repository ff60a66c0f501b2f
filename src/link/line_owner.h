#pragma once
// Who holds the line to the logger. Whatever sends asks here first; the controls that send
// follow the holder (ShowLineState), so no feature enables or disables another's buttons.
//
// A read or an upload holds the line while the engine awaits its answers (ReplyState), so it
// gives the line back wherever its chain ends; a custom or maintenance command holds it only
// while it goes out (its answer is shown whenever it comes). They may interrupt one another,
// as they always could. A scan and a download hold the line until they give it back: a scan
// lets those short exchanges go alongside (the hub answers them while its radio waits) but no
// other scan or download; a download lets nothing else send.
#include <functional>
#include <string>

namespace kd {

class Program;

enum class LineHolder { None, Read, Upload, Download, Scan, Custom, Maintenance };

class LineOwner {
public:
    explicit LineOwner(Program& p) : p_(p) {}
    LineOwner(const LineOwner&) = delete;
    LineOwner& operator=(const LineOwner&) = delete;

    LineHolder holder() const;
    // Why `who` may not send now, for people; empty when it may.
    std::string refusal(LineHolder who) const;
    bool mayStart(LineHolder who) const { return refusal(who).empty(); }

    // A scan or a download takes the line (only when mayStart); end: what stops its work when
    // the line goes (Disconnect, a lost port), or nothing where the work may outlive it.
    void hold(LineHolder who, std::function<void()> end = {});
    // Gives the line back, when `who` holds it.
    void release(LineHolder who);
    // The port closed or vanished: the holder's work ends as its end says.
    void lineGone();

private:
    Program& p_;
    LineHolder held_ = LineHolder::None;
    std::function<void()> end_;
};

// The one place the sending controls' enabled state follows the holder: each control keeps
// its own rule's value, and the holder holds it disabled on top.
void ShowLineState(Program& p);

}  // namespace kd
