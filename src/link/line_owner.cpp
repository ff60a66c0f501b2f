#include "link/line_owner.h"

#include <utility>

#include "app/program.h"

namespace kd {

LineHolder LineOwner::holder() const {
    if (held_ != LineHolder::None) return held_;
    if (p_.ReplyState == 100) return LineHolder::Upload;
    if (p_.ReplyState != 0) return LineHolder::Read;
    return LineHolder::None;
}

std::string LineOwner::refusal(LineHolder who) const {
    const LineHolder h = holder();
    if (h == LineHolder::Download) return "A download is running.";
    const bool long_ = who == LineHolder::Download || who == LineHolder::Scan;
    if (!long_) return {};
    if (h == LineHolder::Scan) return "A device scan is running: wait until it has ended.";
    if (who == LineHolder::Scan) return {};  // a scan may go out beside a read, as it always could
    if (!p_.Comport.isOpen()) return "The port is not open: connect first.";
    if (h == LineHolder::Upload) return "The logger is busy: wait until the upload has ended.";
    if (h == LineHolder::Read) return "The logger is busy: wait until the read has ended.";
    return {};
}

void LineOwner::hold(LineHolder who, std::function<void()> end) {
    held_ = who;
    end_ = std::move(end);
    ShowLineState(p_);
}

void LineOwner::release(LineHolder who) {
    if (held_ != who) return;
    held_ = LineHolder::None;
    end_ = nullptr;
    ShowLineState(p_);
}

void LineOwner::lineGone() {
    // The end may release the line (and free itself with it): call a copy.
    if (std::function<void()> end = end_) end();
}

void ShowLineState(Program& p) {
    Mainform& f = p.form;
    const LineHolder h = p.line.holder();
    // A download: everything that sends, and "New" and the port dialog, which would change
    // the panel or the port under it.
    const bool download = h == LineHolder::Download;
    for (Control* c : std::initializer_list<Control*>{
             &f.LoadSettings, &f.Uploadbutton, &f.FetchLog, &f.RefreshStat, &f.ClearWDT, &f.ClearPU, &f.SetAO,
             &f.SetTimeDate, &f.ResetRG, &f.Command3, &f.EditNW, &f.EditProbe, &f.SetupComs, &f.NewButton})
        c->setHeld(download);
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).setHeld(download);
    for (int i = 0; i <= 7; ++i) f.ScanCommand(i).setHeld(download);
    // A scan: the frames from which another scan, an edit or a parameter change could start.
    const bool scan = h == LineHolder::Scan;
    for (Frame* fr : {&f.LogProbeFrame, &f.NWFrame, &f.ModemFrame}) fr->setHeld(scan);
}

}  // namespace kd
