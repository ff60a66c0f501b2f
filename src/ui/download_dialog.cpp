#include "ui/download_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/program.h"
#include "records/range.h"
#include "records/recorder.h"
#include "ui/ui_support.h"

namespace kd {

namespace {

QString Duration(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    return s >= 3600 ? QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'))
                     : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

DownloadDialog::DownloadDialog(Program& p, records::Recorder& recorder, QWidget* parent)
    : QDialog(parent), p_(p), recorder_(recorder) {
    setObjectName(QStringLiteral("DownloadRecords"));
    setWindowTitle(QStringLiteral("Download Records"));
    auto* numbers = new QFormLayout;
    auto box = [&](const QString& caption, const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setValidator(new QIntValidator(0, records::kRingSize - 1, e));
        e->setMaxLength(4);
        e->setAccessibleName(caption);
        e->setPlaceholderText(QStringLiteral("0-4095"));
        numbers->addRow(caption + QLatin1Char(':'), e);
        return e;
    };
    from_ = box(QStringLiteral("From log number"), "FromLogNumber");
    to_ = box(QStringLiteral("To log number"), "ToLogNumber");

    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("DownloadProgress"));
    bar_->setAccessibleName(QStringLiteral("Records downloaded"));
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setFormat(QStringLiteral("%v of %m records"));
    // The bar's total follows the numbers typed, so the size of a range shows before it starts.
    auto showTotal = [this] {
        const auto from = records::ParseLogNumber(from_->text().toStdString());
        const auto to = records::ParseLogNumber(to_->text().toStdString());
        if (running() || !from || !to) return;
        bar_->setRange(0, records::RecordRange{*from, *to}.count());
        bar_->setValue(0);
    };
    connect(from_, &QLineEdit::textChanged, this, showTotal);
    connect(to_, &QLineEdit::textChanged, this, showTotal);
    rate_ = new QLabel(this);
    rate_->setObjectName(QStringLiteral("DownloadRate"));
    // A status text is heard as itself: its accessible name is the text (a label without a name
    // of its own announces each change), what it is about is its description.
    rate_->setAccessibleDescription(QStringLiteral("Download speed and time left"));
    missing_ = new QLabel(this);
    missing_->setObjectName(QStringLiteral("NotReceived"));
    missing_->setAccessibleDescription(QStringLiteral("Records not received"));
    missing_->setWordWrap(true);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("DownloadMessage"));
    message_->setAccessibleDescription(QStringLiteral("Download status"));
    message_->setWordWrap(true);

    download_ = new QPushButton(QStringLiteral("&Download"), this);
    download_->setObjectName(QStringLiteral("DownloadButton"));
    download_->setAccessibleName(QStringLiteral("Download"));
    download_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Close"), this);
    cancel_->setObjectName(QStringLiteral("DownloadCancel"));
    cancel_->setAccessibleName(QStringLiteral("Close"));
    cancel_->setAutoDefault(false);
    connect(download_, &QPushButton::clicked, this, &DownloadDialog::startDownload);
    connect(cancel_, &QPushButton::clicked, this, &DownloadDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(download_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(numbers);
    layout->addWidget(bar_);
    layout->addWidget(rate_);
    layout->addWidget(missing_);
    layout->addWidget(message_);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

bool DownloadDialog::running() const { return recorder_.downloading(); }

void DownloadDialog::prepare() {
    if (running()) return;
    const auto range = records::UnreadRange(p_.form.ModemParm(1).text(), p_.form.ModemParm(2).text());
    from_->setText(range ? QString::number(range->from) : QString());
    to_->setText(range ? QString::number(range->to) : QString());
    message_->setText(range ? QString() : QStringLiteral("No unread records known: enter the log numbers."));
}

void DownloadDialog::startDownload() {
    const auto from = records::ParseLogNumber(ToBytes(from_->text()));
    const auto to = records::ParseLogNumber(ToBytes(to_->text()));
    if (!from || !to) {
        message_->setText(QStringLiteral("Enter log numbers from 0 to 4095."));
        (from ? to_ : from_)->setFocus();
        (from ? to_ : from_)->selectAll();
        return;
    }
    const records::RecordRange range{*from, *to};
    skipped_.clear();
    missing_->clear();
    rate_->clear();
    done_ = 0;
    total_ = range.count();
    records::DownloadEvents events;
    events.progress = [this](int done, int) {
        done_ = done;
        // The answer's handler has just sent the next request: the dialog follows in the
        // next loop pass, never in front of the wire.
        if (!updateQueued_) {
            updateQueued_ = true;
            QTimer::singleShot(0, this, &DownloadDialog::showProgress);
        }
    };
    events.skipped = [this](int n) { skipped_.push_back(n); };
    events.finished = [this](const records::DownloadSummary& s) {
        const records::DownloadSummary copy = s;
        QTimer::singleShot(0, this, [this, copy] { finished(copy); });
    };
    std::string error;
    clock_.start();
    if (!recorder_.startDownload(range, std::move(events), &error)) {
        message_->setText(FromSystem(error));
        return;
    }
    bar_->setRange(0, total_);
    bar_->setValue(0);
    message_->setText(QStringLiteral("Downloading %1 records...").arg(total_));
    from_->setEnabled(false);
    to_->setEnabled(false);
    download_->setEnabled(false);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setAccessibleName(QStringLiteral("Cancel"));
}

void DownloadDialog::showProgress() {
    updateQueued_ = false;
    bar_->setValue(done_);
    const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
    if (done_ > 0 && seconds > 0) {
        const double rate = done_ / seconds;
        rate_->setText(QStringLiteral("%1 records/s, %2 left")
                           .arg(rate, 0, 'f', 1)
                           .arg(Duration((total_ - done_) / rate)));
    }
    if (!skipped_.empty())
        missing_->setText(QStringLiteral("Not received: ") + FromSystem(records::ListLogNumbers(skipped_)));
}

void DownloadDialog::finished(const records::DownloadSummary& s) {
    done_ = s.received + static_cast<int>(s.skipped.size());
    showProgress();
    QString text = QStringLiteral("%1 of %2 records received.").arg(s.received).arg(s.total);
    if (s.cancelled) text = QStringLiteral("Cancelled: ") + text;
    if (!s.error.empty()) text = QStringLiteral("Stopped, ") + FromSystem(s.error) + QStringLiteral(": ") + text;
    message_->setText(text);
    from_->setEnabled(true);
    to_->setEnabled(true);
    download_->setEnabled(true);
    cancel_->setText(QStringLiteral("Close"));
    cancel_->setAccessibleName(QStringLiteral("Close"));
}

void DownloadDialog::reject() {
    // Cancel (and the window's close button) stops after the record awaited; the dialog
    // stays to show how far it got.
    if (running()) {
        recorder_.cancelDownload();
        message_->setText(QStringLiteral("Cancelling after the current record..."));
        return;
    }
    QDialog::reject();
}

}  // namespace kd
