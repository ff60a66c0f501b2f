#include "platform/report_file.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace kd {

namespace {

QString FileName(const std::filesystem::path& file) { return QFile::decodeName(file.c_str()); }

}  // namespace

ReportFormat ReportFormatOf(const std::filesystem::path& file) {
    const QString suffix = QString::fromStdString(file.extension().string()).toLower();
    if (suffix == QLatin1String(".pdf")) return ReportFormat::Pdf;
    if (suffix == QLatin1String(".html") || suffix == QLatin1String(".htm")) return ReportFormat::Html;
    return ReportFormat::Unknown;
}

std::string WriteReportFile(const std::filesystem::path& file, const std::string& html) {
    const std::string named = "visit report " + file.string() + ": ";
    const ReportFormat format = ReportFormatOf(file);
    if (format == ReportFormat::Unknown) return named + "the name must end in .pdf or .html";
    // Written beside the target and renamed over it, so a failed write leaves what was there.
    QSaveFile out(FileName(file));
    if (!out.open(QIODevice::WriteOnly)) return named + out.errorString().toStdString();
    if (format == ReportFormat::Html) {
        out.write(html.data(), static_cast<qint64>(html.size()));
    } else if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return named + "PDF needs the graphical libraries started";
    } else {
        // The writer finishes the file when it goes, before the rename below.
        QPdfWriter pdf(&out);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        pdf.setTitle(QStringLiteral("Visit report"));
        pdf.setCreator(QStringLiteral("KELDAMAR Utility"));
        QTextDocument doc;
        doc.setHtml(QString::fromStdString(html));
        doc.print(&pdf);
    }
    if (!out.commit()) return named + out.errorString().toStdString();
    return {};
}

}  // namespace kd
