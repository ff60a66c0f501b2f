#pragma once
// The main window: builds a widget for every control of the window model, mirrors the
// model onto them and hands user events back to the core. It holds no behaviour of its own.
#include <QMainWindow>
#include <QSize>
#include <string>

#include "app/mainform.h"
#include "ui/ui_support.h"

class QLabel;

namespace kd {

class CaptionGroupBox;

class MainWindow : public QMainWindow {
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

protected:
    void showEvent(QShowEvent* event) override;

private:
    void mirrorWindow();
    void buildMenus();
    void buildTopArea(QWidget* client);
    void buildModemFrame(QWidget* client);
    void buildCommunications(QWidget* client);
    void buildProbeFrame(QWidget* client);
    void buildCustomCommands(QWidget* client);
    void buildHubFrame(QWidget* client);
    void buildTabOrder();

    Mainform& form_;
    Scale scale_;
    QWidget* client_ = nullptr;
    CaptionGroupBox* hub_ = nullptr;
    bool shown_ = false;
};

}  // namespace kd
