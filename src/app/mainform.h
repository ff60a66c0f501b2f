#pragma once
// The main window as a model: every control with the properties the program uses, and its
// initial state. Handlers are wired by the procedures' own modules (see program.cpp).
#include <functional>
#include <string>

#include "app/control_array.h"
#include "app/controls.h"
#include "app/timer.h"

namespace kd {

// Window geometry in twips (15 twips are one pixel at 96 dots per inch).
inline constexpr int kNarrowWidth = 11895;
inline constexpr int kWideWidth = 14535;
inline constexpr int kClientWidth = 14445;
inline constexpr int kClientHeight = 8355;
inline constexpr int kTopLineMargin = 125;
inline constexpr const char* kWindowCaption = "KELDAMAR Utility Program Version 3.4";

class Mainform {
public:
    Mainform();

    // Window properties.
    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { if (c != caption_) { caption_ = std::move(c); notify(); } }
    int width() const { return width_; }
    // Changing the width runs the resize handler, as the window's resize event did.
    void setWidth(int twips) {
        if (twips == width_) return;
        width_ = twips;
        notify();
        if (onResize) onResize();
    }
    void setObserver(std::function<void()> o) { observer_ = std::move(o); }
    std::function<void()> onResize;

    // Top area.
    Button ConnectButton{"ConnectButton"};
    Button LoadSettings{"LoadSettings"};
    Button Uploadbutton{"Uploadbutton"};
    Picture Connected{"Connected"};
    Picture Disconnected{"Disconnected"};
    Label ConStat{"ConStat"};
    Label Product{"Product"};
    Line Line1{"Line1"};
    Line Line2{"Line2"};
    ControlArray<TextBox> StatusBox{"StatusBox", 0, 2};

    // Modem parameters panel.
    Frame ModemFrame{"ModemFrame"};
    ControlArray<TextBox> ModemParm{"ModemParm", 0, 14};
    ControlArray<TextBox> Defaults{"Defaults", 0, 14};
    ControlArray<Label> Label3{"Label3", 0, 25};
    Frame SIMtypeFrame{"SIMtypeFrame"};
    ControlArray<OptionButton> SIMTypeOption{"SIMTypeOption", 0, 1};
    Label NetworkLabel{"NetworkLabel"};
    ComboBox NetworkName{"NetworkName"};
    Frame StatusFrame{"StatusFrame"};
    ControlArray<TextBox> ModemStat{"ModemStat", 0, 8};
    TextBox AirTime{"AirTime"};
    Button RefreshStat{"RefreshStat"};
    Button ClearWDT{"ClearWDT"};
    Button ClearPU{"ClearPU"};
    Button SetAO{"SetAO"};
    Button SetTimeDate{"SetTimeDate"};
    Button ResetRG{"ResetRG"};

    // Probe/data panel: the latest log record.
    Frame Frame2{"Frame2"};
    Label IDtext{"IDtext"};
    ControlArray<TextBox> Moisture{"Moisture", 0, 5};
    ControlArray<TextBox> Temperature{"Temperature", 0, 5};
    ControlArray<Label> Label5{"Label5", 0, 16};
    TextBox DateBox{"DateBox"};
    TextBox TimeBox{"TimeBox"};
    TextBox RSSIBox{"RSSIBox"};
    Button Prevlog{"Prevlog"};
    Button Nextlog{"Nextlog"};
    Label StartLog{"StartLog"};
    Label Label4{"Label4"};
    Label Endlog{"Endlog"};
    Frame Frame3{"Frame3"};
    Button FetchLog{"FetchLog"};
    TextBox LogBox{"LogBox"};

    // Custom commands.
    Frame Frame4{"Frame4"};
    ControlArray<TextBox> CustomCMD{"CustomCMD", 0, 2};
    ControlArray<Button> CustomSend{"CustomSend", 0, 2};

    // Communications.
    Frame Frame1{"Frame1"};
    TextBox TXText{"TXText"};
    TextBox RXText{"RXText"};
    Label Label1{"Label1"};
    Label Label2{"Label2"};
    Button ClearButton{"ClearButton"};

    // Hub panel, shown only at the wide width.
    Frame NetworkFrame{"NetworkFrame"};
    Frame RFChanFrame{"RFChanFrame"};
    ComboBox RFChannel{"RFChannel"};
    Button Command3{"Command3"};
    Frame NWFrame{"NWFrame"};
    ControlArray<TextBox> NWDevIDBox{"NWDevIDBox", 0, 7};
    ControlArray<Label> StatText{"StatText", 0, 7};
    ControlArray<Button> ScanCommand{"ScanCommand", 0, 7};
    ControlArray<Label> NWIDText{"NWIDText", 0, 6};
    Label Label6{"Label6"};
    Button EditNW{"EditNW"};
    Frame LogProbeFrame{"LogProbeFrame"};
    Label Label7{"Label7"};
    Button EditProbe{"EditProbe"};

    // Timers.
    Timer tmrTime{"tmrTime", 500, true};
    Timer MainTimer{"MainTimer", 1000, false};
    Timer RXTimer{"RXTimer", 200, true};
    Timer ReplyTimeout{"ReplyTimeout", 1500, false};

    // Menus.
    MenuItem FileMenu{"FileMenu", "&File"};
    MenuItem NewButton{"NewButton", "New"};
    MenuItem SaveButton{"SaveButton", "Save", "Ctrl+S"};
    MenuItem LoadButton{"LoadButton", "Load", "Ctrl+L"};
    MenuItem SaveTranscript{"SaveTranscript", "Save Transcript..."};
    MenuItem ExitButton{"ExitButton", "&Exit"};
    MenuItem Editmen{"Editmen", "&Edit"};
    MenuItem DefEdit{"DefEdit", "Defaults"};
    MenuItem ConfirmUpload{"ConfirmUpload", "Confirm before upload"};
    MenuItem Toolmen{"Toolmen", "&Tools"};
    MenuItem SetupComs{"SetupComs", "COM Port Selection"};
    MenuItem TXSinglemen{"TXSinglemen", "TXSingle"};
    MenuItem ModemWriteSingle{"ModemWriteSingle", "Write to Modem"};
    MenuItem ExitPU{"ExitPU", "Exit"};

    // Calls f(control) for every control of the window, in declaration order, so a view or a
    // test can walk them all without keeping a list of its own that could miss one.
    template <class F>
    void forEachControl(F&& f) {
        auto each = [&f](auto& array) {
            for (int i = array.first(); i <= array.last(); ++i) f(array(i));
        };
        f(ConnectButton); f(LoadSettings); f(Uploadbutton); f(Connected); f(Disconnected);
        f(ConStat); f(Product); f(Line1); f(Line2); each(StatusBox);
        f(ModemFrame); each(ModemParm); each(Defaults); each(Label3); f(SIMtypeFrame);
        each(SIMTypeOption); f(NetworkLabel); f(NetworkName); f(StatusFrame); each(ModemStat);
        f(AirTime); f(RefreshStat); f(ClearWDT); f(ClearPU); f(SetAO); f(SetTimeDate); f(ResetRG);
        f(Frame2); f(IDtext); each(Moisture); each(Temperature); each(Label5); f(DateBox);
        f(TimeBox); f(RSSIBox); f(Prevlog); f(Nextlog); f(StartLog); f(Label4); f(Endlog);
        f(Frame3); f(FetchLog); f(LogBox);
        f(Frame4); each(CustomCMD); each(CustomSend);
        f(Frame1); f(TXText); f(RXText); f(Label1); f(Label2); f(ClearButton);
        f(NetworkFrame); f(RFChanFrame); f(RFChannel); f(Command3); f(NWFrame); each(NWDevIDBox);
        each(StatText); each(ScanCommand); each(NWIDText); f(Label6); f(EditNW); f(LogProbeFrame);
        f(Label7); f(EditProbe);
        f(FileMenu); f(NewButton); f(SaveButton); f(LoadButton); f(SaveTranscript); f(ExitButton); f(Editmen);
        f(DefEdit); f(ConfirmUpload); f(Toolmen); f(SetupComs); f(TXSinglemen); f(ModemWriteSingle); f(ExitPU);
    }

    // Which Label3 caption stands in front of each parameter row 0..14, and above each
    // status box ModemStat(0..8); the status panel's "Air Time:" is Label3(25).
    static const int kRowLabel[15];
    static const int kStatLabel[9];
    // The caption of parameter row 0..14 as it reads on its own, away from its frame: the
    // APN and FTP user name and password rows say whose they are.
    std::string rowCaption(int row) const;

private:
    void notify() { if (observer_) observer_(); }
    std::string caption_ = kWindowCaption;
    int width_ = kClientWidth;  // as designed; start-up narrows it
    std::function<void()> observer_;
};

}  // namespace kd
