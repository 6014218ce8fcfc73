#include "core/Platform.h"

#include "core/FileUtils.h"
#include "core/TextUtils.h"

#include <chrono>
#include <filesystem>
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
