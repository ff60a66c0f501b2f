#include "platform/report_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <QTemporaryDir>

namespace {

std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ReportFile, TheSuffixChoosesPdfOrHtmlAndAFailedWriteLeavesWhatWasThere) {
    QTemporaryDir temp;
    const std::filesystem::path dir = temp.path().toStdString();
    const std::string html = "<html><body><h1>Visit report: logger 12345</h1><p>\u00e9t\u00e9</p></body></html>";
    EXPECT_EQ(kd::WriteReportFile(dir / "r.HTML", html), "");
    EXPECT_EQ(Read(dir / "r.HTML"), html);
    EXPECT_EQ(kd::WriteReportFile(dir / "r.pdf", html), "");
    EXPECT_EQ(Read(dir / "r.pdf").substr(0, 5), "%PDF-");

    std::ofstream(dir / "keep.txt") << "mine";
    EXPECT_NE(kd::WriteReportFile(dir / "keep.txt", html).find("must end in .pdf or .html"), std::string::npos);
    EXPECT_EQ(Read(dir / "keep.txt"), "mine");
    EXPECT_NE(kd::WriteReportFile(dir / "no" / "such" / "r.pdf", html), "");
}

}  // namespace
