#include "visits/before_leaving.h"

#include "basic/basic.h"
#include "visits/clock_offset.h"

namespace kd::visits {

std::vector<Finding> BeforeLeaving(const LeavingFacts& f) {
    std::vector<Finding> found;
    for (const std::string& s : f.editedNotUploaded)
        found.push_back({FindingKind::NotUploaded, s + ": edited but not uploaded"});
    for (const LeavingFacts::NotKept& v : f.notKept)
        found.push_back({FindingKind::NotKept, v.setting + ": sent " + v.sent + ", the logger kept " + v.held});
    // A healthy logger keeps a few records between uploads; more than two uploads' worth
    // unread means its uploads are failing, and only this visit can rescue them.
    const double logging = basic::Val(f.loggingInterval);
    const double download = basic::Val(f.downloadInterval);
    if (f.unread && !f.recordsDownloaded && logging > 0 && *f.unread > 2 * download / logging)
        found.push_back({FindingKind::RecordsLeft, std::to_string(*f.unread) +
                                                       " unread records not downloaded: its uploads may be failing"});
    if (f.clockOffset && !f.clockSet && (*f.clockOffset > kClockTolerance || *f.clockOffset < -kClockTolerance))
        found.push_back({FindingKind::ClockOff, "clock not set: " + OffsetWords(*f.clockOffset)});
    if (f.registration && *f.registration != "1" && *f.registration != "5")
        found.push_back({FindingKind::NotRegistered, "GSM not registered (status " + *f.registration + ")"});
    return found;
}

}  // namespace kd::visits
