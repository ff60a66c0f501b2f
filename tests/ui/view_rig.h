#pragma once
// A whole program with its real window on fakes: a scripted port, recorded dialogs, a
// virtual clock and a settings folder of its own.
#include <QAbstractButton>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "app/program.h"
#include "app/startup.h"
#include "core/fakes.h"
#include "ui/main_window.h"

namespace kdtest {

struct ViewRig {
    ViewRig() : ini(writeSettings()), program(kd::Platform{port, ini, dialogs, exit, wall, clock}),
                form(program.form), window(program.form) {
        kd::Form_Load(program);
        window.syncView();
    }

    // The widget mirroring a control, with every model change so far shown on the window
    // (the window itself shows them in the next pass of the event loop).
    template <class T>
    T* widget(const std::string& name) {
        window.syncView();
        return qobject_cast<T*>(window.findControl(name));
    }
    QAbstractButton* button(const std::string& name) { return widget<QAbstractButton>(name); }

    // Fills the window as a hub's settings read would, for pictures and fit checks.
    void fillSample();

    QTemporaryDir dir;
    kd::VirtualClock clock;
    FakePort port;
    kd::IniFile ini;
    FakeDialogs dialogs;
    FakeExit exit;
    FakeClock wall;
    kd::Program program;
    kd::Mainform& form;
    kd::MainWindow window;

private:
    std::filesystem::path writeSettings() {
        const std::filesystem::path path = std::filesystem::path(dir.path().toStdString()) / kd::kSettingsFileName;
        std::ofstream(path, std::ios::binary) << kUsableIni;
        return path;
    }
};

}  // namespace kdtest
