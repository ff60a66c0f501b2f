#include "profiles/profile_apply.h"

#include "app/program.h"
#include "basic/basic.h"
#include "replies/extract.h"

namespace kd {

namespace {

using Target = ProfileKey::Target;

// A device slot the table shows empty: the hub reports an empty slot as 0.
std::string SlotText(const std::string& v) {
    return !v.empty() && Numcheck(v) == 1 && basic::Val(v) == 0 ? std::string() : v;
}

void Mark(Program& p, TextBox& box, const std::string& text) {
    box.setText(text);
    box.setForeColour(kRed);
    p.form.Uploadbutton.setEnabled(true);
}

}  // namespace

std::string ProfileBusyReason(const Program& p) {
    if (p.ScanCountdown > 0) return "A device scan is running: wait for it to end, then load the profile.";
    if (p.ReplyState != 0 && p.form.ReplyTimeout.enabled())
        return "A command awaits the logger's answer: wait for it, then load the profile.";
    return {};
}

ProfileApplied ApplyProfile(Program& p, const Profile& profile) {
    Mainform& f = p.form;
    ProfileApplied a;
    a.refusal = ProfileBusyReason(p);
    if (!a.ok()) return a;
    // A value longer than its box's keyboard limit is put in whole: the box shows it, and the
    // upload's checks (range, commas, line breaks) speak when it is sent.
    const bool hub = p.ProductType == 3;
    const bool simType = p.SimTypeRead == 1 && p.SimTypeSupported == 1;
    a.networkIgnored = profile.hasNetworkSection && !hub;
    const std::string* type = profile.find("SimType");
    const std::string* network = profile.find("Network");
    a.simTypeIgnored = (type || network) && !simType;

    for (const ProfileValue& v : profile.values) {
        if (v.key->target == Target::ParmRow) {
            TextBox& box = f.ModemParm(v.key->index);
            if (box.text() == v.value) continue;
            Mark(p, box, v.value);
            ++a.changed;
        } else if (v.key->target == Target::DeviceSlot && hub) {
            TextBox& box = f.NWDevIDBox(v.key->index);
            const std::string text = SlotText(v.value);
            if (box.text() == text) continue;
            Mark(p, box, text);
            // The hub does not know this ID yet: no scan until it has confirmed the table.
            f.ScanCommand(v.key->index).setEnabled(false);
            ++a.changed;
        }
    }
    if (simType) {
        // The option and list handlers mark the frame, as a click would.
        const bool wasPrepaid = f.SIMTypeOption(1).value();
        const int wasNetwork = wasPrepaid ? f.NetworkName.listIndex() : -1;
        const bool prepaid = type ? *type == "1" : wasPrepaid;
        if (prepaid != wasPrepaid) {
            f.SIMTypeOption(prepaid ? 1 : 0).setValue(true);
            ++a.changed;
        }
        if (prepaid && network) {
            const int n = (*network)[0] - '0';
            if (f.NetworkName.listIndex() != n) f.NetworkName.setListIndex(n);
            if (n != wasNetwork && prepaid == wasPrepaid) ++a.changed;
        }
    }
    if (p.profiles.onApplied) p.profiles.onApplied(profile.name);
    return a;
}

std::string ProfileLoadedText(const Profile& profile, const ProfileApplied& applied) {
    std::string s = "Profile " + profile.name + " loaded: ";
    if (applied.changed == 0)
        s += "no value differs";
    else
        s += std::to_string(applied.changed) + (applied.changed == 1 ? " value changed" : " values changed");
    if (applied.networkIgnored) s += "; device table ignored (not a hub)";
    if (applied.simTypeIgnored) s += "; SIM type ignored (not reported)";
    return s;
}

}  // namespace kd
