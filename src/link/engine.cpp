#include "link/engine.h"

#include <algorithm>
#include <limits>

#include "app/program.h"
#include "replies/dispatcher.h"

namespace kd {

namespace {
void CaretToEnd(TextBox& box) {
    const long n = static_cast<long>(box.text().size());
    if (n > 1) box.setSelection(n, 1);
}
}  // namespace

bool SendCommand(Program& p) {
    Mainform& f = p.form;
    f.ReplyTimeout.setEnabled(true);
    std::string tx = f.TXText.text();
    tx += p.TxCommand;
    if (tx.size() > static_cast<size_t>(kTxPaneLimit)) tx.erase(0, tx.size() - kTxPaneLimit);
    f.TXText.setText(std::move(tx));
    CaretToEnd(f.TXText);
    p.RxBuffer.clear();
    ++p.rxGeneration;
    // A send while the port is closed must not end the program: the command stays in the TX
    // pane, the time-out runs as usual, and the status line says why nothing went out.
    std::string error;
    if (!p.Comport.write(p.TxCommand, &error)) {
        f.StatusBox(0).setText(kPortClosedNotice);
        return false;
    }
    if (p.transcript.wanted()) p.transcript.sent(p.TxCommand, p.platform.clock.localNowPrecise());
    if (f.StatusBox(0).text() == kPortClosedNotice) f.StatusBox(0).setText("");
    for (const auto& watch : p.commandWatchers) watch(p.TxCommand);
    return true;
}

void SendQuery(Program& p, int state, const std::string& command) {
    p.ReplyState = static_cast<int16_t>(state);
    p.TxCommand = command + p.LineEnd;
    SendCommand(p);
    p.RetryCount = 0;
}

void Comport_OnComm(Program& p, int event) {
    if (event != kCommEventReceive) return;
    const std::string s = p.Comport.readAll();
    if (!s.empty() && p.transcript.wanted()) p.transcript.received(s, p.platform.clock.localNowPrecise());
    p.RxActivity = 1;
    p.RxBuffer += s;
    p.RxLog += s;
    if (p.RxLog.size() > static_cast<size_t>(kRxLogLimit)) p.RxLog.erase(0, p.RxLog.size() - kRxLogKeep);

    // Lines are taken from a moving start and the buffer is shortened once at the end, so a
    // large batch costs linear time. A dispatcher that sends a command empties the buffer
    // (the generation changes): the rest of the batch belongs to the old command and is dropped.
    size_t start = 0;
    for (;;) {
        const size_t lf = p.RxBuffer.find('\n', start);
        if (lf == std::string::npos) break;
        std::string line = p.RxBuffer.substr(start, lf - start);
        start = lf + 1;
        if (p.ReplyLineCount < 100) ++p.ReplyLineCount;
        p.ReplyLines[static_cast<size_t>(p.ReplyLineCount)] = std::move(line);
        if (p.ReplyLineCount > p.replyLinesUsed) p.replyLinesUsed = p.ReplyLineCount;
        const uint64_t generation = p.rxGeneration;
        ProcessReplyLine(p);
        if (p.ended) return;
        if (generation != p.rxGeneration) start = 0;
    }
    if (start > 0) p.RxBuffer.erase(0, start);
    if (p.RxBuffer.size() > static_cast<size_t>(kRxBufferKeep))
        p.RxBuffer.erase(0, p.RxBuffer.size() - kRxBufferKeep);
}

void RXTimer_Timer(Program& p) {
    if (p.RxActivity == 0) return;
    p.RxActivity = 0;
    p.form.RXText.setText(p.RxLog);
    CaretToEnd(p.form.RXText);
}

void ReplyTimeout_Timer(Program& p) {
    if (p.onReplyTimeout && p.onReplyTimeout()) return;
    if (p.RetryLimit == 0) {
        p.form.ReplyTimeout.setEnabled(false);
        return;
    }
    // Counting stops at the top of the 16-bit range; only "below the limit or not" matters.
    if (p.RetryCount < std::numeric_limits<int16_t>::max()) ++p.RetryCount;
    if (p.RetryCount < p.RetryLimit) {
        p.form.ReplyTimeout.setEnabled(false);
        SendCommand(p);
    } else if (p.ReplyState != 0) {
        ReportNoResponse(p);
    }
}

std::string CommandOfLine(const std::string& sent) {
    std::string command = sent;
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
    return command;
}

void ReportNoResponse(Program& p) {
    p.RetryCount = 0;
    p.form.ReplyTimeout.setEnabled(false);
    p.ReplyState = 0;
    if (p.onCommandFailed)
        p.onCommandFailed({CommandFailure::Kind::NoAnswer, CommandOfLine(p.TxCommand), std::max<int>(1, p.RetryLimit)});
    p.platform.dialogs.messageBox("No Response from device", "Message", MsgIcon::Information, MsgButtons::Ok);
}

}  // namespace kd
