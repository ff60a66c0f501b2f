#include "link/port_holder.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace kd {

namespace {

bool ProcessId(const std::string& name, int* pid) {
    if (name.empty()) return false;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), *pid);
    return ec == std::errc() && end == name.data() + name.size() && *pid > 0;
}

std::string CommandName(const std::filesystem::path& process) {
    std::ifstream in(process / "comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? std::string("a program") : name;
}

}  // namespace

std::vector<PortHolder> FindPortHolders(const std::filesystem::path& procRoot, const std::filesystem::path& device) {
    std::error_code ec;
    const std::filesystem::path wanted = std::filesystem::weakly_canonical(device, ec);
    if (ec) return {};
    std::vector<PortHolder> holders;
    for (std::filesystem::directory_iterator it(procRoot, ec), end; !ec && it != end; it.increment(ec)) {
        int pid = 0;
        if (!ProcessId(it->path().filename().string(), &pid)) continue;
        std::error_code fdError;
        for (std::filesystem::directory_iterator fd(it->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd;
             fd.increment(fdError)) {
            std::error_code linkError;
            const std::filesystem::path target = std::filesystem::read_symlink(fd->path(), linkError);
            if (linkError) continue;
            // The system names the node itself; only a likely match is resolved further, so a
            // scan of thousands of descriptors stays cheap.
            bool same = target == wanted;
            if (!same && target.is_absolute() && target.filename() == wanted.filename())
                same = std::filesystem::weakly_canonical(target, linkError) == wanted && !linkError;
            if (!same) continue;
            holders.push_back({pid, CommandName(it->path())});
            break;
        }
    }
    std::sort(holders.begin(), holders.end(), [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
    return holders;
}

std::string PortHolderAdvice(const std::vector<PortHolder>& holders) {
    if (holders.empty()) return {};
    // A few names say what to close; a long list would bury the advice.
    constexpr std::size_t kNamed = 3;
    std::string text;
    bool modemManager = false;
    for (std::size_t i = 0; i < holders.size(); ++i) {
        const PortHolder& h = holders[i];
        modemManager = modemManager || h.command == "ModemManager";
        if (i >= kNamed) continue;
        if (!text.empty()) text += ", ";
        text += h.command + " (process " + std::to_string(h.pid) + ")";
    }
    if (holders.size() > kNamed) text += " and " + std::to_string(holders.size() - kNamed) + " more";
    text += holders.size() == 1 ? "; close it" : "; close them";
    if (modemManager) text += ", or wait: ModemManager probes new adapters for about 30 s";
    return text;
}

}  // namespace kd
