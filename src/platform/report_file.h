#pragma once
// Writes a visit report's HTML to a file, as PDF (A4, Qt's own writer) when the file's name
// ends in ".pdf", else as the HTML itself (".html", ".htm"). The PDF needs a QGuiApplication.
#include <filesystem>
#include <string>

namespace kd {

enum class ReportFormat { Pdf, Html, Unknown };
ReportFormat ReportFormatOf(const std::filesystem::path& file);

// "" when written, else why not, naming the file.
std::string WriteReportFile(const std::filesystem::path& file, const std::string& html);

}  // namespace kd
