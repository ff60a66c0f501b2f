// keldamar: the command-line face of the KELDAMAR Utility. See keldamar --help.
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstring>
#include <memory>
#include <cstdio>

#include "arguments.h"
#include "runner.h"

namespace {

// Only a PDF report needs the graphical libraries (fonts, a paint device); no display is used.
bool WantsPdf(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "report") != 0) return false;
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--pdf") == 0 || std::strncmp(argv[i], "--pdf=", 6) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application;
    if (WantsPdf(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("keldamar"));
    const kdcli::ParsedArguments parsed = kdcli::ParseArguments(QCoreApplication::arguments());
    if (parsed.done) {
        std::fputs(parsed.output.c_str(), stdout);
        if (!parsed.error.empty()) std::fprintf(stderr, "%s\n", parsed.error.c_str());
        return parsed.status;
    }
    return kdcli::Run(parsed.invocation);
}
