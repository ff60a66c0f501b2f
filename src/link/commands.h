#pragma once
// Every command the program sends and every reply name it acts on, in one place.
// Commands are sent followed by LineEnd (CR LF); replies are "name fields CR LF".

namespace kd::cmd {

// Queries of the settings read.
inline constexpr const char* kSnrQuery = "AT+SNR?";
inline constexpr const char* kLoadQuery = "AT+LOAD?";
inline constexpr const char* kLogintQuery = "AT+LOGINT?";
inline constexpr const char* kFtpintQuery = "AT+FTPINT?";
inline constexpr const char* kOwnsimQuery = "AT+OWNSIM?";
inline constexpr const char* kOwnnumQuery = "AT+OWNNUM?";
inline constexpr const char* kApnconQuery = "AT+APNCON?";
inline constexpr const char* kFtpconQuery = "AT+FTPCON?";
inline constexpr const char* kHomenumQuery = "AT+HOMENUM?";
inline constexpr const char* kFwQuery = "AT+FW?";
inline constexpr const char* kSimtypeQuery = "AT+SIMTYPE?";
inline constexpr const char* kWdtQuery = "AT+WDT?";
inline constexpr const char* kPorQuery = "AT+POR?";
inline constexpr const char* kAutopdQuery = "AT+AUTOPD?";
inline constexpr const char* kTimeQuery = "AT+TIME?";
inline constexpr const char* kMpowerQuery = "AT+MPOWER?";
inline constexpr const char* kBatvoltsQuery = "AT+BATVOLTS?";
inline constexpr const char* kCregQuery = "AT+CREG?";
inline constexpr const char* kPtableQuery = "AT+PTABLE?";
inline constexpr const char* kRfchanQuery = "AT+RFCHAN?";
inline constexpr const char* kRaingQuery = "AT+RAING?";

// Set commands of an upload (followed by their values).
inline constexpr const char* kSnrSet = "AT+SNR=";
inline constexpr const char* kLogintSet = "AT+LOGINT=";
inline constexpr const char* kFtpintSet = "AT+FTPINT=";
inline constexpr const char* kOwnsimSet = "AT+OWNSIM";  // alone: no "=" and no value
inline constexpr const char* kOwnnumSet = "AT+OWNNUM=";
inline constexpr const char* kApnconSet = "AT+APNCON=";
inline constexpr const char* kFtpconSet = "AT+FTPCON=";
inline constexpr const char* kHomenumSet = "AT+HOMENUM=";
inline constexpr const char* kPtableSet = "AT+PTABLE=";
inline constexpr const char* kSimtypeSet = "AT+SIMTYPE=";

// Log records, scans, maintenance.
inline constexpr const char* kEvent = "AT+EVENT=";
inline constexpr const char* kScanId = "AT+SCANID=";
inline constexpr const char* kWdtClear = "AT+WDT=0";
inline constexpr const char* kPorClear = "AT+POR=0";
inline constexpr const char* kAutopdSet = "AT+AUTOPD=";
inline constexpr const char* kTimeSet = "AT+TIME=";
inline constexpr const char* kRaingReset = "AT+RAING";

// Reply names, in the order the dispatcher tests them.
inline constexpr const char* kSS = "+SS:";
inline constexpr const char* kSNR = "+SNR:";
inline constexpr const char* kLOAD = "+LOAD:";
inline constexpr const char* kLOGINT = "+LOGINT:";
inline constexpr const char* kFTPINT = "+FTPINT:";
inline constexpr const char* kOWNSIM = "+OWNSIM:";
inline constexpr const char* kOWNNUM = "+OWNNUM:";
inline constexpr const char* kAPNCON = "+APNCON:";
inline constexpr const char* kFTPCON = "+FTPCON:";
inline constexpr const char* kHOMENUM = "+HOMENUM:";
inline constexpr const char* kFW = "+FW:";
inline constexpr const char* kSIMTYPE = "+SIMTYPE:";
inline constexpr const char* kWDT = "+WDT:";
inline constexpr const char* kPOR = "+POR:";
inline constexpr const char* kAUTOPD = "+AUTOPD:";
inline constexpr const char* kTIME = "+TIME:";
inline constexpr const char* kMPOWER = "+MPOWER:";
inline constexpr const char* kBATVOLTS = "+BATVOLTS:";
inline constexpr const char* kCREG = "+CREG:";
inline constexpr const char* kPTABLE = "+PTABLE:";
inline constexpr const char* kRFCHAN = "+RFCHAN:";
inline constexpr const char* kRAING = "+RAING:";
inline constexpr const char* kLOADRecord = "@LOAD";
inline constexpr const char* kSCANID = "+SCANID:";
inline constexpr const char* kAIRTIME = "+AIRTIME:";

// The port's fixed settings.
inline constexpr const char* kPortSettings = "9600,n,8,1";

}  // namespace kd::cmd
