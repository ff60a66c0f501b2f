#pragma once
// The technician's hands in the window's dialogs, reached through the program's dialog seam:
// the real message boxes and upload preview are built as the program builds them and answered
// at once instead of running a modal loop, and the files are picked beforehand, so no test
// races a dialog's own threads or timers.
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <string>
#include <vector>

#include "ui/qt_dialogs.h"

namespace kdtest {

class WindowHands : public kd::QtDialogs {
public:
    using kd::QtDialogs::QtDialogs;

    std::vector<std::string> messages;  // every message box's text, answered OK (or Cancel)
    std::vector<QStringList> previews;  // each upload preview's rows, "Caption|old|new"
    bool sendAfterPreview = true;
    std::string openFile, saveFile;     // what the file dialogs give; "" cancels
    std::vector<std::string> fileDialogs;  // "open <folder>", "save <folder> <name>", "file <title> <path>"
    std::vector<std::string> otherDialogs;  // dialogs the hands did not expect, closed unanswered
    std::string choice = "Stay";  // the button pressed in a box of named buttons ("Before you leave")

    std::string profileToOpen(const std::string& folder) override {
        fileDialogs.push_back("open " + folder);
        return openFile;
    }
    std::string profileToSave(const std::string& folder, const std::string& name) override {
        fileDialogs.push_back("save " + folder + " " + name);
        return saveFile;
    }
    std::string fileToSave(const std::string& title, const std::string& suggested, const std::string&) override {
        fileDialogs.push_back("file " + title + " " + suggested);
        return saveFile;
    }

protected:
    int runModal(QDialog& dialog) override {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            messages.push_back(box->text().toStdString());
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            if (ok == nullptr) ok = box->button(QMessageBox::Cancel);
            for (QAbstractButton* b : box->buttons())
                if (ok == nullptr && b->text().toStdString() == choice) ok = b;
            if (ok) ok->click();
            else box->reject();
        } else if (dialog.objectName() == QLatin1String("UploadPreview")) {
            auto* table = dialog.findChild<QTableWidget*>();
            QStringList rows;
            for (int r = 0; r < table->rowCount(); ++r)
                rows << table->item(r, 0)->text() + "|" + table->item(r, 1)->text() + "|" + table->item(r, 2)->text();
            previews.push_back(rows);
            const char* button = sendAfterPreview ? "UploadPreviewUpload" : "UploadPreviewCancel";
            dialog.findChild<QPushButton*>(QLatin1String(button))->click();
        } else {
            otherDialogs.push_back(dialog.objectName().toStdString());
            dialog.reject();
        }
        return dialog.result();
    }
};

}  // namespace kdtest
