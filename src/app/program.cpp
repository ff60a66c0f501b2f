#include "app/program.h"

#include "app/startup.h"
#include "link/connection.h"
#include "link/engine.h"
#include "link/port.h"
#include "link/transcript_menu.h"
#include "network/clock_timers.h"
#include "network/hub.h"
#include "network/logs.h"
#include "network/maintenance.h"
#include "params/custom_commands.h"
#include "params/defaults_editor.h"
#include "params/panel.h"
#include "params/upload.h"
#include "profiles/profile_menu.h"
#include "replies/read_chain.h"

namespace kd {

Program::Program(Platform pf) : platform(pf), Comport(pf.port) {
    Mainform& f = form;
    f.onResize = [this] { Form_Resize(*this); };
    f.ConnectButton.onClick = [this] { ConnectButton_Click(*this); };
    f.Connected.onDblClick = [this] { Connected_DblClick(*this); };
    f.Disconnected.onDblClick = [this] { Disconnected_DblClick(*this); };
    f.LoadSettings.onClick = [this] { LoadSettings_Click(*this); };
    f.ClearButton.onClick = [this] { ClearButton_Click(*this); };
    f.NewButton.onClick = [this] { NewButton_Click(*this); };
    f.ExitButton.onClick = [this] { ExitButton_Click(*this); };
    f.SetupComs.onClick = [this] { SetupComs_Click(*this); };
    for (int i = 0; i <= 14; ++i) f.ModemParm(i).onChange = [this, i] { ModemParm_Change(*this, i); };
    for (int i = 0; i <= 1; ++i) f.SIMTypeOption(i).onClick = [this, i] { SIMTypeOption_Click(*this, i); };
    f.NetworkName.onClick = [this] { NetworkName_Click(*this); };
    f.Uploadbutton.onClick = [this] { Uploadbutton_Click(*this); };
    f.DefEdit.onClick = [this] { DefEdit_Click(*this); };
    f.SaveButton.onClick = [this] { SaveButton_Click(*this); };
    f.LoadButton.onClick = [this] { LoadButton_Click(*this); };
    f.SaveTranscript.onClick = [this] { SaveTranscript_Click(*this); };
    f.ConfirmUpload.onClick = [this] { ConfirmUpload_Click(*this); };
    for (int i = 0; i <= 14; ++i) {
        f.Defaults(i).onDblClick = [this, i] { Defaults_DblClick(*this, i); };
        f.Defaults(i).onGotFocus = [this, i] { Defaults_GotFocus(*this, i); };
    }
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).onClick = [this, i] { CustomSend_Click(*this, i); };
    for (int i = 0; i <= 7; ++i) f.NWDevIDBox(i).onChange = [this, i] { NWDevIDBox_Change(*this, i); };
    for (int i = 0; i <= 7; ++i) f.ScanCommand(i).onClick = [this, i] { ScanCommand_Click(*this, i); };
    f.EditNW.onClick = [this] { EditNW_Click(*this); };
    f.EditProbe.onClick = [this] { EditProbe_Click(*this); };
    f.FetchLog.onClick = [this] { FetchLog_Click(*this); };
    f.LogBox.onKeyDown = [this](int key) { LogBox_KeyDown(*this, key); };
    f.Nextlog.onClick = [this] { Nextlog_Click(*this); };
    f.Prevlog.onClick = [this] { Prevlog_Click(*this); };
    f.ClearWDT.onClick = [this] { ClearWDT_Click(*this); };
    f.ClearPU.onClick = [this] { ClearPU_Click(*this); };
    f.SetAO.onClick = [this] { SetAO_Click(*this); };
    f.SetTimeDate.onClick = [this] { SetTimeDate_Click(*this); };
    f.ResetRG.onClick = [this] { ResetRG_Click(*this); };
    f.RefreshStat.onClick = [this] { RefreshStat_Click(*this); };

    f.RXTimer.onTimer = [this] { RXTimer_Timer(*this); };
    f.ReplyTimeout.onTimer = [this] { ReplyTimeout_Timer(*this); };
    f.tmrTime.onTimer = [this] { tmrTime_Timer(*this); };
    f.MainTimer.onTimer = [this] { MainTimer_Timer(*this); };
    for (Timer* t : {&f.tmrTime, &f.MainTimer, &f.RXTimer, &f.ReplyTimeout}) t->attach(&platform.timers);

    Comport.onCommEvent = [this](int event) {
        if (event == kCommEventPortLost)
            PortLost(*this);
        else
            Comport_OnComm(*this, event);
    };
}

void EndProgram(Program& p) {
    if (p.ended) return;
    p.ended = true;
    if (p.Comport.isOpen()) p.Comport.close();
    p.platform.exit.exitNow();
}

}  // namespace kd
