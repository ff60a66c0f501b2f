#pragma once
// The main window: builds a widget for every control of the window model, mirrors the
// model onto them and hands user events back to the core. It holds no behaviour of its own.
// Model changes show in the next pass of the event loop, all at once: the core's work (and
// the command it writes) never waits for layout, painting or a screen reader.
#include <QMainWindow>
#include <QSize>
#include <chrono>
#include <functional>
#include <string>

#include "app/mainform.h"
#include "ui/ui_support.h"
#include "ui/view_sync.h"

class QLabel;

namespace kd {

class CaptionGroupBox;

class MainWindow : public QMainWindow, private ViewSyncClient {
    Q_OBJECT
public:
    // The form must outlive the window.
    explicit MainWindow(Mainform& form, QWidget* parent = nullptr);
    ~MainWindow() override;

    Mainform& form() const { return form_; }
    // Size of the area below the menu bar for a window width in twips.
    QSize clientSizeFor(int widthTwips) const;
    // The widget (or menu action's owner) mirroring the model control of that name.
    QObject* findControl(const std::string& name) const;

    // While this says how long a logger may still be answering (the port's view of the line),
    // the window waits with its work, so an answer at once is not kept waiting by it.
    void setViewHold(ViewSync::Hold hold) { sync_->setHold(std::move(hold)); }
    // Shows every model change made so far now, rather than in the next pass.
    void syncView() { sync_->flush(); }
    // Sizes the window again to its client area, menu and (when shown) status bar.
    void refitWindow() { mirrorWindow(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void mirrorWindow();
    void mirrorNow() override { mirrorWindow(); }
    void buildMenus();
    void buildTopArea(QWidget* client);
    void buildModemFrame(QWidget* client);
    void buildCommunications(QWidget* client);
    void buildProbeFrame(QWidget* client);
    void buildCustomCommands(QWidget* client);
    void buildHubFrame(QWidget* client);
    void buildTabOrder();

    Mainform& form_;
    ViewSync* sync_ = nullptr;
    Scale scale_;
    QWidget* client_ = nullptr;
    CaptionGroupBox* hub_ = nullptr;
    bool shown_ = false;
};

}  // namespace kd
