#include "visits/found_values.h"

#include "app/program.h"

namespace kd::visits {

namespace {

// Keys of the parameter rows 0..14.
const char* const kRowKeys[15] = {"device_id",     "log_pointer",     "unread_logs",  "logging_interval",
                                  "download_interval", "sim_number",  "own_number",   "firmware_version",
                                  "apn_name",      "apn_user_name",   "apn_password", "ftp_server",
                                  "ftp_user_name", "ftp_password",    "home_number"};
// Keys of the status boxes ModemStat(0..8).
const char* const kStatKeys[9] = {"watchdog",      "cold_starts", "auto_off",   "time_and_date", "modem_power",
                                  "battery_volts", "gsm_status",  "rain_gauge", "signal_strength"};

// The air time keeps the reply's CR in its box, where it shows as nothing; not in a line.
std::string WithoutCr(std::string text) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

std::string Listed(const ComboBox& list) {
    const int i = list.listIndex();
    return i >= 0 && i < static_cast<int>(list.items().size()) ? list.items()[static_cast<size_t>(i)] : std::string();
}

FoundValue Found(std::string caption, std::string key, std::string value) {
    return {std::move(key), std::move(caption), std::move(value), ""};
}

}  // namespace

const char* RowKey(int row) { return row >= 0 && row <= 14 ? kRowKeys[row] : ""; }

FoundValue TimeValue(const Program& p) {
    const Mainform& f = p.form;
    return Found(f.Label3(Mainform::kStatLabel[3]).caption(), kStatKeys[3], f.ModemStat(3).text());
}

std::vector<FoundValue> FoundValues(const Program& p) {
    const Mainform& f = p.form;
    std::vector<FoundValue> v;
    for (int row = 0; row <= 14; ++row) {
        v.push_back(Found(f.rowCaption(row), kRowKeys[row], f.ModemParm(row).text()));
        // The first field of the SIM reply stands in the defaults column of its row.
        if (row == 5) v.push_back(Found("SIM Number Default:", "sim_number_default", f.Defaults(5).text()));
        if (row == 7) v.push_back(Found("Model:", "model", f.Product.caption()));
    }
    if (p.SimTypeRead == 1) {
        const bool prepaid = f.SIMTypeOption(1).value();
        v.push_back(Found(f.SIMtypeFrame.caption(), "sim_card_type", f.SIMTypeOption(prepaid ? 1 : 0).caption()));
        if (prepaid) v.push_back(Found(f.NetworkLabel.caption(), "network", Listed(f.NetworkName)));
    }
    for (int i = 0; i <= 8; ++i) {
        const std::string& value = f.ModemStat(i).text();
        if (i == 8 && value.empty()) continue;  // the logger sends it when it likes
        v.push_back(Found(f.Label3(Mainform::kStatLabel[i]).caption(), kStatKeys[i], value));
    }
    if (!f.AirTime.text().empty()) v.push_back(Found(f.Label3(25).caption(), "air_time", WithoutCr(f.AirTime.text())));
    if (p.ProductType == 3) {
        v.push_back(Found(f.LogProbeFrame.caption() + ":", "probe", f.NWDevIDBox(0).text()));
        for (int i = 1; i <= 7; ++i)
            v.push_back(Found("Network Device " + f.NWIDText(i - 1).caption() + ":", "network_device_" + std::to_string(i),
                         f.NWDevIDBox(i).text()));
        v.push_back(Found(f.RFChanFrame.caption() + ":", "rf_channel", Listed(f.RFChannel)));
    }
    if (p.LogRecordCount > 0) {
        v.push_back(Found("Record from:", "record_from", f.IDtext.caption()));
        v.push_back(Found(f.Label5(14).caption(), "record_date", f.DateBox.text()));
        v.push_back(Found(f.Label5(15).caption(), "record_time", f.TimeBox.text()));
        v.push_back(Found(f.Label5(16).caption(), "record_rssi", f.RSSIBox.text()));
        for (int k = 0; k <= 5; ++k)
            v.push_back(Found("Soil Moisture " + std::to_string(k + 1) + ":", "soil_moisture_" + std::to_string(k + 1),
                         f.Moisture(k).text()));
        for (int k = 0; k <= 5; ++k)
            v.push_back(Found("Temperature " + std::to_string(k + 1) + ":", "temperature_" + std::to_string(k + 1),
                         f.Temperature(k).text()));
    }
    return v;
}

}  // namespace kd::visits
