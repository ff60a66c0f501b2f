#pragma once
// Tools > "Download Records...": a range of log numbers, the download's progress, and the
// records that did not come. The download itself is the core's (records/); this shows it.
#include <QDialog>
#include <QElapsedTimer>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace kd {
class Program;
namespace records {
class Recorder;
struct DownloadSummary;
}  // namespace records

class DownloadDialog : public QDialog {
    Q_OBJECT
public:
    DownloadDialog(Program& p, records::Recorder& recorder, QWidget* parent = nullptr);
    // Before showing: the unread records of the last read, unless a download is running.
    void prepare();
    bool running() const;

    QLineEdit* fromBox() const { return from_; }
    QLineEdit* toBox() const { return to_; }
    QPushButton* downloadButton() const { return download_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void reject() override;

private:
    void startDownload();
    void showProgress();
    void finished(const records::DownloadSummary& s);

    Program& p_;
    records::Recorder& recorder_;
    QLineEdit* from_;
    QLineEdit* to_;
    QPushButton* download_;
    QPushButton* cancel_;
    QProgressBar* bar_;
    QLabel* rate_;
    QLabel* missing_;
    QLabel* message_;
    QElapsedTimer clock_;
    int done_ = 0, total_ = 0;
    bool updateQueued_ = false;
    std::vector<int> skipped_;
};

}  // namespace kd
