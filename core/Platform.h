// Operating-system services: the executable's location, the process list and starting programs.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zorb {

std::string ExecutablePath();
std::string ExecutableDir();

// The installed program files (language modules, help pages, the sample archive): <exeDir>/../share/zorb-6x52,
// relative to the executable so that a relocated installation keeps working.
std::string ShareDir(const std::string& exeDir);
// Directories searched for program files, in order: beside the executable, then ShareDir.
std::vector<std::string> ProgramFileDirs(const std::string& exeDir);
// The per-user data directory: $XDG_DATA_HOME/zorb-6x52, by default ~/.local/share/zorb-6x52.
std::string UserDataDir();
// Whether this process may create files in `dir` (access(2) semantics: always true for root on a writable disk).
bool DirectoryWritable(const std::string& dir);
// The data directory when none is given: the executable's directory for a copy unpacked anywhere (its data stays
// with it), the per-user one for an installed copy (ShareDir exists beside it) or one in a directory this
// process cannot write. Root running the installed program must not put data files among the executables.
std::string DefaultDataDir(const std::string& exeDir,
                           const std::function<bool(const std::string&)>& writable = DirectoryWritable);
std::string DefaultDataDir(); // for this executable
int CurrentProcessId();
// Ids of running processes, other than this one, whose executable file name equals `exeName`.
std::vector<int> FindOtherProcesses(const std::string& exeName);
// Starts a program detached from this one; false when it could not be started.
bool StartDetachedProcess(const std::string& exe, const std::vector<std::string>& args, const std::string& workDir);
void SleepMs(int ms);

} // namespace zorb
