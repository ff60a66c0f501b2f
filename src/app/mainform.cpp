#include "app/mainform.h"

namespace kd {

const int Mainform::kRowLabel[15] = {6, 0, 1, 2, 3, 5, 4, 7, 8, 9, 10, 11, 12, 13, 23};
const int Mainform::kStatLabel[9] = {18, 19, 20, 16, 14, 17, 15, 22, 24};

std::string Mainform::rowCaption(int row) const {
    switch (row) {
        case 9: return "APN User Name:";
        case 10: return "APN Password:";
        case 12: return "FTP User Name:";
        case 13: return "FTP Password:";
        default: return Label3(kRowLabel[row]).caption();
    }
}

namespace {
const char* const kLabel3Captions[26] = {
    "Log Pointer:", "Unread Logs:", "Logging Int:", "Download Int:", "Own Number:", "SIM Number:",
    "Device ID:", "Firmware Ver:", "APN Name:", "User Name:", "Password:", "FTP Server:",
    "User Name:", "Password:", "Modem Power:", "GSM Status:", "Time & Date:", "Battery Volts:",
    "WatchDog:", "Cold Starts:", "Auto Off:", "Defaults:", "RainGauge:", "Home No:",
    "Signal strength:", "Air Time:"};
const char* const kLabel5Captions[17] = {"Soil Moisture:", "Temperature:", "1", "2", "3", "4", "5", "6",
                                         "1", "2", "3", "4", "5", "6", "Date:", "Time:", "RSSI:"};
// Keyboard limits of the parameter boxes; 0 = none.
const int kMaxLength[15] = {5, 0, 0, 2, 3, 0, 0, 0, 32, 0, 0, 32, 32, 32, 32};
}  // namespace

Mainform::Mainform() {
    ConnectButton.setCaption("Connect");
    LoadSettings.setCaption("Load Settings");
    LoadSettings.setEnabled(false);
    Uploadbutton.setCaption("Upload Settings");
    Uploadbutton.setEnabled(false);
    Connected.setVisible(false);
    ConStat.setCaption("Disconnected");
    Line1.x1 = 0; Line1.y1 = 0; Line1.x2 = kClientWidth - kTopLineMargin; Line1.y2 = 0;
    Line2.x1 = 0; Line2.y1 = 10; Line2.x2 = kClientWidth - kTopLineMargin; Line2.y2 = 10;
    for (int i = 0; i <= 2; ++i) {
        StatusBox(i).setReadOnly(true);
        StatusBox(i).setBackColour(kButtonFace);
    }

    ModemFrame.setCaption("Modem Parameters:");
    for (int i = 0; i <= 14; ++i) {
        ModemParm(i).setMaxLength(kMaxLength[i]);
        Defaults(i).setReadOnly(true);
        Defaults(i).setBackColour(kButtonFace);
    }
    for (int i : {1, 2, 5, 7}) ModemParm(i).setReadOnly(true);
    Defaults(5).setBackColour(kWhite);
    for (int i = 0; i <= 25; ++i) Label3(i).setCaption(kLabel3Captions[i]);
    SIMtypeFrame.setCaption("SIM Card Type:");
    SIMTypeOption(0).setCaption("Contract");
    SIMTypeOption(1).setCaption("Prepaid RSA Only");
    SIMTypeOption(0).setGroup({&SIMTypeOption(0), &SIMTypeOption(1)});
    SIMTypeOption(1).setGroup({&SIMTypeOption(0), &SIMTypeOption(1)});
    NetworkLabel.setCaption("Network:");
    for (const char* n : {"Vodacom", "MTN", "Cell-C", "8ta"}) NetworkName.addItem(n);
    StatusFrame.setCaption("Modem Status:");
    for (int i = 0; i <= 8; ++i) ModemStat(i).setReadOnly(i != 2);
    AirTime.setReadOnly(true);
    RefreshStat.setCaption("Reload Status");
    ClearWDT.setCaption("Clear");
    ClearPU.setCaption("Clear");
    SetAO.setCaption("Set");
    SetTimeDate.setCaption("Set");
    ResetRG.setCaption("Reset");
    for (Button* b : {&RefreshStat, &ClearWDT, &ClearPU, &SetAO, &SetTimeDate, &ResetRG}) b->setEnabled(false);

    Frame2.setCaption("Probe/data");
    for (int i = 0; i <= 5; ++i) {
        Moisture(i).setReadOnly(true);
        Temperature(i).setReadOnly(true);
    }
    for (int i = 0; i <= 16; ++i) Label5(i).setCaption(kLabel5Captions[i]);
    Prevlog.setEnabled(false);
    Nextlog.setEnabled(false);
    StartLog.setCaption("-");
    Label4.setCaption("of");
    Endlog.setCaption("-");
    FetchLog.setCaption("Fetch Log");
    FetchLog.setEnabled(false);
    LogBox.setReadOnly(true);
    LogBox.setMaxLength(4);

    Frame4.setCaption("Custom Commands:");
    for (int i = 0; i <= 2; ++i) {
        CustomSend(i).setCaption("Send");
        CustomSend(i).setEnabled(false);
    }

    Frame1.setCaption("Communications:");
    Label1.setCaption("TX:");
    Label2.setCaption("RX:");
    TXText.setReadOnly(true);
    RXText.setReadOnly(true);
    TXText.setBackColour(kBlack);
    TXText.setForeColour(kRed);
    RXText.setBackColour(kBlack);
    RXText.setForeColour(kWhite);
    ClearButton.setCaption("Clear");

    NetworkFrame.setCaption("Hub Settings");
    RFChanFrame.setCaption("RF Channel");
    for (const char* c : {"Channel 1", "Channel 2", "Channel 3", "Channel 4"}) RFChannel.addItem(c);
    Command3.setCaption("Edit");
    Command3.setEnabled(false);
    NWFrame.setCaption("Network Devices");
    LogProbeFrame.setCaption("Probe");
    for (int i = 0; i <= 7; ++i) ScanCommand(i).setCaption("Scan");
    for (int i = 0; i <= 6; ++i) NWIDText(i).setCaption(std::to_string(i + 1));
    NWDevIDBox(0).setReadOnly(true);
    Label6.setCaption("ID:        Logs/Status");
    Label7.setCaption("ID:      Logs/Status");
    EditNW.setCaption("Edit");
    EditProbe.setCaption("Edit");

    TXSinglemen.setVisible(false);
}

}  // namespace kd
