// Operating-system services: the executable's location, the process list and starting programs.
#pragma once

#include <string>
#include <vector>

namespace zorb {

std::string ExecutablePath();
std::string ExecutableDir();
int CurrentProcessId();
// Ids of running processes, other than this one, whose executable file name equals `exeName`.
std::vector<int> FindOtherProcesses(const std::string& exeName);
// Starts a program detached from this one; false when it could not be started.
bool StartDetachedProcess(const std::string& exe, const std::vector<std::string>& args, const std::string& workDir);
void SleepMs(int ms);

} // namespace zorb
