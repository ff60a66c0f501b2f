// The receive path: bytes from the logger into the port's read side of a started, connected
// program, through line cutting, field extraction and every reply handler.
//
// Input: byte 0 picks what the program awaits (a ReplyState code; bit 5 a hub, bit 6 a radio
// scan running, bit 7 changed boxes for an upload: device table and SIM type, and for a logger
// not a hub the parameter rows), byte 1 how the bytes arrive (bits 0-6:
// 0 one receive event per line, n events of n bytes; bit 7: a reply time-out passes after
// each event), the rest is what the logger sends. After every event and after the time-outs
// have run, the program's invariants must hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/startup.h"
#include "link/engine.h"
#include "network/hub.h"
#include "rig.h"

namespace {

using kdfuzz::Check;

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
void CheckInvariants(kdfuzz::Rig& rig, size_t longestLine) {
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
    Check(f.NetworkName.listIndex() >= -1 && f.NetworkName.listIndex() < static_cast<int>(f.NetworkName.items().size()),
          "NetworkName list index out of its list");
    Check(f.RFChannel.listIndex() >= -1 && f.RFChannel.listIndex() < static_cast<int>(f.RFChannel.items().size()),
          "RFChannel list index out of its list");
    const size_t limit = std::max<size_t>(longestLine, 64) + 16;
    f.forEachControl([&](auto& c) {
        if (&c == static_cast<void*>(&f.TXText) || &c == static_cast<void*>(&f.RXText)) return;
        if (ShownLength(c) > limit) kdfuzz::Fail(c.name() + " shows more than one reply line holds");
    });
    Check(rig.exit.exits == 0, "the program ended");
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    kdfuzz::Rig rig(kdfuzz::CompleteSettingsFile());
    kd::Form_Load(rig.program);
    rig.program.form.ConnectButton.click();
    Arrange(rig, data[0]);
    const size_t chunk = data[1] & 0x7F;
    const bool lateReplies = (data[1] & 0x80) != 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

    size_t longest = 0, lineStart = 0;
    for (size_t at = 0; at < bytes.size();) {
        size_t n = chunk;
        if (n == 0) {
            const size_t lf = bytes.find('\n', at);
            n = lf == std::string_view::npos ? bytes.size() - at : lf + 1 - at;
        }
        n = std::min(n, bytes.size() - at);
        for (size_t i = at; i < at + n; ++i)
            if (bytes[i] == '\n') {
                longest = std::max(longest, i - lineStart);
                lineStart = i + 1;
            }
        rig.port.receive(std::string(bytes.substr(at, n)));
        at += n;
        if (lateReplies) rig.clock.advance(1500);
        CheckInvariants(rig, longest);
    }
    // Whatever was awaited now times out, is sent again and is given up; a scan runs out.
    rig.clock.advance(40000);
    CheckInvariants(rig, longest);
    return 0;
}
