#include "unprivileged.h"

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kdtest {

bool RunningAsRoot() { return ::geteuid() == 0; }

std::string InChild(const std::function<std::string()>& fn, bool asNobody) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid < 0) return "no fork";
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(30);
        std::string result;
        if (asNobody && RunningAsRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            result = "could not become nobody";
        else
            result = fn();
        for (size_t done = 0; done < result.size();) {
            const ssize_t n = ::write(fds[1], result.data() + done, result.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::_exit(0);  // no destructors or leak checks of the parent's objects
    }
    ::close(fds[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) return "child stopped by signal " + std::to_string(WTERMSIG(status));
    return out;
}

}  // namespace kdtest
