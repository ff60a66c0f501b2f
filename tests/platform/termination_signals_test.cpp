// Logout, shutdown and Ctrl-C reach the program on its event loop, where it writes what it
// holds, instead of ending it on the spot.
#include "platform/termination_signals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <csignal>
#include <vector>

namespace {

TEST(TerminationSignals, EachEndingSignalIsACallOnTheEventLoopAndTheDefaultComesBackAfter) {
    std::vector<int> got;
    {
        kd::TerminationSignals ending([&](int s) { got.push_back(s); });
        ASSERT_TRUE(ending.installed());
        for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
            SCOPED_TRACE(s);
            std::raise(s);  // the process would end here without the handler
            EXPECT_TRUE(got.empty()) << "called on the loop, not inside the handler";
            QDeadlineTimer deadline(10000);
            while (got.empty() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            EXPECT_EQ(got, std::vector<int>{s});
            got.clear();
        }
    }
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction now {};
        ::sigaction(s, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << s;
    }
}

}  // namespace
