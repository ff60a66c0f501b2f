// Every test program runs with a home and XDG folders of its own, made fresh for the process
// before main and removed at its end: nothing a test runs (Qt's file dialog settings, font and
// shader caches, a default settings file or records archive) reaches the user's real home, and
// no run sees what an earlier one left. Programs the tests start inherit the same folders.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class OwnHome {
public:
    OwnHome() {
        std::string root = (std::filesystem::temp_directory_path() / "keldamar-test-XXXXXX").string();
        if (!::mkdtemp(root.data())) {
            std::perror("keldamar tests: no home folder of their own");
            std::abort();
        }
        root_ = root;
        const struct {
            const char* variable;
            const char* folder;
        } folders[] = {{"HOME", "home"},
                       {"XDG_CONFIG_HOME", "home/.config"},
                       {"XDG_DATA_HOME", "home/.local/share"},
                       {"XDG_CACHE_HOME", "home/.cache"},
                       {"XDG_RUNTIME_DIR", "runtime"}};
        for (const auto& f : folders) {
            const std::filesystem::path path = root_ / f.folder;
            std::filesystem::create_directories(path);
            ::setenv(f.variable, path.c_str(), 1);
        }
        // The runtime folder is the user's alone, as the session makes it; Qt checks.
        std::filesystem::permissions(root_ / "runtime", std::filesystem::perms::owner_all);
    }
    ~OwnHome() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    OwnHome(const OwnHome&) = delete;
    OwnHome& operator=(const OwnHome&) = delete;

private:
    std::filesystem::path root_;
};

const OwnHome ownHome;

}  // namespace
