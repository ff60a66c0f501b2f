#include "records/shown_device.h"

#include "app/program.h"
#include "records/record.h"

namespace kd::records {

std::optional<std::string> ShownDevice(const Program& p) {
    // The caption beside the record ("Cable", "SelfLog" or "ID: ...") is there while a record is.
    const bool recordShown = !p.form.IDtext.caption().empty() && !p.LastDeviceID.empty();
    const std::string& id = recordShown ? p.LastDeviceID : p.form.ModemParm(0).text();
    if (id.empty()) return std::nullopt;
    return Latin1ToUtf8(id);
}

}  // namespace kd::records
