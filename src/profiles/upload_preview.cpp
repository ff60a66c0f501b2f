#include "profiles/upload_preview.h"

#include <cstring>

#include "app/program.h"
#include "link/commands.h"
#include "params/upload.h"

namespace kd {

bool IsPasswordRow(int row) { return row == 10 || row == 13; }

std::string SettingName(const Program& p, int row) {
    std::string caption = p.form.Label3(Mainform::kRowLabel[row]).caption();
    if (!caption.empty() && caption.back() == ':') caption.pop_back();
    if (row == 9 || row == 10) return "APN " + caption;
    if (row == 12 || row == 13) return "FTP " + caption;
    return caption;
}

std::string DeviceSlotName(int slot) { return slot == 0 ? "Probe ID" : "Device " + std::to_string(slot) + " ID"; }

std::string SimTypeWords(const Program& p, const std::string& digits) {
    const Mainform& f = p.form;
    if (digits.size() != 3 || digits[1] != ',') return digits;
    if (digits[0] == '0') return f.SIMTypeOption(0).caption();
    const auto& networks = f.NetworkName.items();
    const size_t n = static_cast<size_t>(digits[2] - '0');
    if (digits[0] != '1' || n >= networks.size()) return digits;
    return f.SIMTypeOption(1).caption() + ", " + networks[n];
}

std::string SimTypeDigits(Program& p) {
    const UploadItem sim{UploadItem::Kind::SimType, cmd::kSimtypeSet, 0, {}};
    return UploadCommand(p, sim).substr(std::strlen(cmd::kSimtypeSet));
}

std::vector<UploadPreviewRow> UploadPreview(Program& p) {
    std::vector<UploadPreviewRow> rows;
    for (const UploadItem& item : PendingUploadItems(p)) {
        switch (item.kind) {
            case UploadItem::Kind::Rows:
                if (item.values.empty())  // the SIM number: the bare command
                    rows.push_back({SettingName(p, item.firstRow), "", "", false, false});
                for (size_t i = 0; i < item.values.size(); ++i) {
                    const int r = item.firstRow + static_cast<int>(i);
                    rows.push_back({SettingName(p, r), p.DeviceValues[static_cast<size_t>(r)], item.values[i]->text(),
                                    IsPasswordRow(r)});
                }
                break;
            case UploadItem::Kind::DeviceTable:
                for (int s = 0; s <= 7; ++s)
                    rows.push_back({DeviceSlotName(s), p.DeviceTableValues[static_cast<size_t>(s)],
                                    item.values[static_cast<size_t>(s)]->text()});
                break;
            case UploadItem::Kind::SimType:
                rows.push_back({kSimTypeSetting, SimTypeWords(p, p.SimTypeValue), SimTypeWords(p, SimTypeDigits(p))});
                break;
        }
    }
    return rows;
}

}  // namespace kd
