// keldamar: the command-line face of the KELDAMAR Utility. See keldamar --help.
#include <QCoreApplication>
#include <cstdio>

#include "arguments.h"
#include "runner.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("keldamar"));
    const kdcli::ParsedArguments parsed = kdcli::ParseArguments(QCoreApplication::arguments());
    if (parsed.done) {
        std::fputs(parsed.output.c_str(), stdout);
        if (!parsed.error.empty()) std::fprintf(stderr, "%s\n", parsed.error.c_str());
        return parsed.status;
    }
    return kdcli::Run(parsed.invocation);
}
