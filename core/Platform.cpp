#include "core/Platform.h"

#include "core/FileUtils.h"
#include "core/TextUtils.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <spawn.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zorb {

std::string ExecutablePath() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string ExecutableDir() {
    return ExtractFileDir(ExecutablePath());
}

static const char* const PackageDirName = "zorb-6x52";

std::string ShareDir(const std::string& exeDir) {
    if (exeDir.empty()) return "";
    return JoinPath(JoinPath(ExtractFileDir(exeDir), "share"), PackageDirName);
}

std::vector<std::string> ProgramFileDirs(const std::string& exeDir) {
    return {exeDir, ShareDir(exeDir)};
}

std::string UserDataDir() {
    // A relative XDG_DATA_HOME is invalid and ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return JoinPath(xdg, PackageDirName);
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    return JoinPath(JoinPath(JoinPath(home, ".local"), "share"), PackageDirName);
}

bool DirectoryWritable(const std::string& dir) {
    return !dir.empty() && DirectoryExists(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string DefaultDataDir(const std::string& exeDir, const std::function<bool(const std::string&)>& writable) {
    if (!exeDir.empty() && !DirectoryExists(ShareDir(exeDir)) && writable(exeDir)) return exeDir;
    return UserDataDir();
}

std::string DefaultDataDir() {
    return DefaultDataDir(ExecutableDir());
}

int CurrentProcessId() {
    return static_cast<int>(::getpid());
}

static std::string ProcessExeName(const std::filesystem::path& procDir) {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink(procDir / "exe", ec);
    if (!ec) {
        std::string name = exe.filename().string();
        const std::string deleted = " (deleted)"; // the binary was replaced while running
        if (name.size() > deleted.size() && name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
            name.resize(name.size() - deleted.size());
        return name;
    }
    try {
        return Trim(ReadFileBytes((procDir / "comm").string()));
    } catch (...) {
        return "";
    }
}

std::vector<int> FindOtherProcesses(const std::string& exeName) {
    std::vector<int> r;
    std::error_code ec;
    const int self = CurrentProcessId();
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        int32_t pid;
        if (!TryStrToInt(entry.path().filename().string(), pid) || pid == self) continue;
        if (ProcessExeName(entry.path()) == exeName) r.push_back(pid);
    }
    return r;
}

bool StartDetachedProcess(const std::string& exe, const std::vector<std::string>& args, const std::string& workDir) {
    std::vector<char*> argv;
    std::string exeCopy = exe;
    argv.push_back(exeCopy.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    pid_t pid;
    int rc = posix_spawn(&pid, exe.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace zorb
