// The receive path: bytes from the logger into the port's read side of a started, connected
// program, through line cutting, field extraction and every reply handler.
//
// Input: byte 0 picks what the program awaits (a ReplyState code; bit 5 a hub, bit 6 a radio
// scan running, bit 7 changed boxes for an upload: device table and SIM type, and for a logger
// not a hub the parameter rows), byte 1 how the bytes arrive (bits 0-6:
// 0 one receive event per line, n events of n bytes; bit 7: a reply time-out passes after
// each event), the rest is what the logger sends. Byte 0xFF and the byte after it are not
// sent: they are what the technician or the clock does between two receive events (see
// Act), so a state change, a click or a time-out can fall anywhere in a reply stream.
// After every event and after the time-outs have run, the program's invariants must hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/startup.h"
#include "link/engine.h"
#include "network/hub.h"
#include "rig.h"

// In kdfuzz, so the harness.ignorelist keeps the checks out of the edge counters.
namespace kdfuzz {
namespace {

// Every code a sender sets: nothing awaited, each step of the read, an upload.
constexpr int16_t kStates[] = {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 100};

bool KnownState(int16_t s) { return std::find(std::begin(kStates), std::end(kStates), s) != std::end(kStates); }

template <class C>
size_t ShownLength(const C& c) {
    size_t n = 0;
    if constexpr (requires { c.text(); }) n = std::max(n, c.text().size());
    if constexpr (requires { c.caption(); }) n = std::max(n, c.caption().size());
    return n;
}

// longestLine: the longest line handed over so far. A control shows a field of one line,
// at most with a fixed word around it, so nothing but the two panes may be much longer.
// controls: also check every control (the costly part), when they may have changed.
void CheckInvariants(kdfuzz::Rig& rig, size_t longestLine, bool controls) {
    kd::Program& p = rig.program;
    kd::Mainform& f = p.form;
    Check(p.ReplyLineCount == 0, "a stored reply line was not handed over and removed");
    Check(p.replyLinesUsed >= 0 && p.replyLinesUsed <= 100, "ReplyLines used beyond 100");
    Check(p.RxBuffer.size() <= static_cast<size_t>(kd::kRxBufferKeep), "RxBuffer over its bound");
    Check(p.RxLog.size() <= static_cast<size_t>(kd::kRxLogLimit), "RxLog over its bound");
    Check(f.RXText.text().size() <= static_cast<size_t>(kd::kRxLogLimit), "receive pane over its bound");
    Check(f.TXText.text().size() <= static_cast<size_t>(kd::kTxPaneLimit), "transmit pane over its bound");
    Check(KnownState(p.ReplyState), "ReplyState holds no known code");
    Check(p.RetryCount >= 0, "RetryCount below 0");
    Check(p.LogRecordCount >= 0 && p.LogRecordCount <= 1000, "LogRecordCount out of 0..1000");
    Check(p.LogRecordIndex >= 0 && p.LogRecordIndex <= p.LogRecordCount, "LogRecordIndex out of range");
    Check(p.ScanCountdown >= 0 && p.ScanCountdown <= 35, "ScanCountdown out of 0..35");
    Check((p.line.holder() == kd::LineHolder::Scan) == (p.ScanCountdown > 0) &&
              f.ModemFrame.enabled() == (p.ScanCountdown == 0),
          "the line is held for a scan other than while one runs");
    Check(f.NetworkName.listIndex() >= -1 && f.NetworkName.listIndex() < static_cast<int>(f.NetworkName.items().size()),
          "NetworkName list index out of its list");
    Check(f.RFChannel.listIndex() >= -1 && f.RFChannel.listIndex() < static_cast<int>(f.RFChannel.items().size()),
          "RFChannel list index out of its list");
    Check(rig.exit.exits == 0, "the program ended");
    if (!controls) return;
    const size_t limit = std::max<size_t>(longestLine, 64) + 16;
    f.forEachControl([&](auto& c) {
        if (&c == static_cast<void*>(&f.TXText) || &c == static_cast<void*>(&f.RXText)) return;
        if (ShownLength(c) > limit) kdfuzz::Fail(c.name() + " shows more than one reply line holds");
    });
}

void Arrange(kdfuzz::Rig& rig, uint8_t mode) {
    kd::Program& p = rig.program;
    kd::Mainform& f = p.form;
    if (mode & 0x20) {
        p.ProductType = 3;
        f.setWidth(kd::kWideWidth);
    }
    if (mode & 0x40) {
        f.NWDevIDBox(2).setText("4321");
        f.ScanCommand(2).click();
    }
    if (mode & 0x80) {
        // A hub's upload: the device table and the SIM type; else the parameter rows too.
        if (!(mode & 0x20))
            for (int row : {0, 3, 8, 9, 10, 14}) f.ModemParm(row).setForeColour(kd::kRed);
        f.NWDevIDBox(5).setForeColour(kd::kRed);
        // A prepaid SIM type of a logger that offers it.
        p.SimTypeSupported = 1;
        f.SIMTypeOption(mode & 1).setValue(true);
        f.SIMtypeFrame.setForeColour(kd::kRed);
    }
    // As after the first "Load Settings": unanswered commands are sent again, then reported.
    p.RetryLimit = 5;
    p.ReplyState = kStates[(mode & 0x1F) % std::size(kStates)];
}

constexpr char kEscape = '\xFF';
constexpr int kWaits[16] = {50, 100, 250, 500, 750, 1000, 1250, 1500, 2000, 2500, 3000, 5000, 7500, 10000, 20000, 35000};

// What the technician types into a box: as much as the box takes, and nothing into a box
// they cannot type into.
void Type(kd::TextBox& box, std::string_view text) {
    if (box.readOnly() || !box.enabled()) return;
    if (box.maxLength() > 0) text = text.substr(0, static_cast<size_t>(box.maxLength()));
    box.setText(std::string(text));
}

// One action between receive events, chosen by `a`: 00-1F what is awaited, 20-27 a Scan
// button, 28 Upload, 29 Load Settings, 2A-2B a SIM type, 2C-2F a network, 30-3F time passes,
// 40-4E typing into a parameter row and 50-57 into the device table (the text up to the next
// line end), 58 a nearly full log, 59 nearly full panes, 5A-5B the Edit buttons, 5C Fetch.
// Returns how many bytes of `text` were used.
size_t Act(kdfuzz::Rig& rig, uint8_t a, std::string_view text) {
    kd::Program& p = rig.program;
    kd::Mainform& f = p.form;
    if (a < 0x20) {
        // What a command that just went out awaits.
        p.ReplyState = kStates[a % std::size(kStates)];
    } else if (a < 0x28) {
        f.ScanCommand(a & 7).click();
    } else if (a == 0x28) {
        f.Uploadbutton.click();
    } else if (a == 0x29) {
        f.LoadSettings.click();
    } else if (a < 0x2C) {
        f.SIMTypeOption(a & 1).setValue(true);
    } else if (a < 0x30) {
        f.NetworkName.setListIndex(a & 3);
    } else if (a < 0x40) {
        rig.clock.advance(kWaits[a & 0xF]);
    } else if (a < 0x4F || (a >= 0x50 && a < 0x58)) {
        const size_t end = std::min(text.find_first_of("\r\n"), text.size());
        Type(a < 0x4F ? f.ModemParm(a - 0x40) : f.NWDevIDBox(a - 0x50), text.substr(0, end));
        return end;
    } else if (a == 0x58) {
        // A log nearly full: the next records meet the 1000-record bound.
        p.LogRecords.resize(999);
        p.LogRecordCount = 998;
        p.LogRecordIndex = 998;
    } else if (a == 0x59) {
        // A long session: both panes near their bounds, so the next bytes either way trim them.
        f.TXText.setText(std::string(kd::kTxPaneLimit - 8, 'T'));
        p.RxLog.assign(kd::kRxLogLimit - 8, 'R');
    } else if (a == 0x5A) {
        f.EditProbe.click();
    } else if (a == 0x5B) {
        f.EditNW.click();
    } else if (a == 0x5C) {
        f.FetchLog.click();
    }
    return 0;
}

}  // namespace
}  // namespace kdfuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kdfuzz;
    if (size < 2) return 0;
    kdfuzz::Rig rig(kdfuzz::CompleteSettingsFile());
    kd::Form_Load(rig.program);
    rig.program.form.ConnectButton.click();
    Arrange(rig, data[0]);
    const size_t chunk = data[1] & 0x7F;
    const bool lateReplies = (data[1] & 0x80) != 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);

    size_t longest = 0, lineLength = 0;
    std::string stream;  // the logger's bytes since the last action
    // Hands what the logger sent so far to the port, in the input's chunks.
    auto deliver = [&] {
        for (size_t at = 0; at < stream.size();) {
            size_t n = chunk;
            if (n == 0) {
                const size_t lf = stream.find('\n', at);
                n = lf == std::string::npos ? stream.size() - at : lf + 1 - at;
            }
            n = std::min(n, stream.size() - at);
            const std::string_view piece = std::string_view(stream).substr(at, n);
            for (size_t i = 0; i < n; ++i)
                if (piece[i] == '\n') {
                    longest = std::max(longest, lineLength);
                    lineLength = 0;
                } else {
                    ++lineLength;
                }
            rig.port.receive(std::string(piece));
            at += n;
            if (lateReplies) rig.clock.advance(1500);
            CheckInvariants(rig, longest, false);
        }
        // The controls once the logger's bytes are in: scanning every control after every
        // event took a sixth of the run.
        if (!stream.empty()) CheckInvariants(rig, longest, true);
        stream.clear();
    };
    for (size_t at = 0; at < input.size(); ++at) {
        if (input[at] != kEscape) {
            stream += input[at];
            continue;
        }
        if (at + 1 >= input.size()) break;
        deliver();
        const std::string_view rest = input.substr(at + 2);
        const size_t typed = Act(rig, static_cast<uint8_t>(input[at + 1]), rest);
        longest = std::max(longest, typed);
        at += 1 + typed;
        CheckInvariants(rig, longest, true);
    }
    deliver();
    // Whatever was awaited now times out, is sent again and is given up; a scan runs out.
    rig.clock.advance(40000);
    CheckInvariants(rig, std::max(longest, lineLength), true);
    return 0;
}
