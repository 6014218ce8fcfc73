// File access used by every data file of the system. Whole-file rewrites go through a temporary file beside
// the target, synced and renamed over it, so a failed write never leaves a truncated file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorb {

// Raises EZorbError with the system's reason when the file cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileAtomic(const std::string& path, std::string_view data);
// Writes everything or returns false with errno set; offset < 0 writes at the current position.
bool WriteAll(int fd, const void* data, size_t size, int64_t offset = -1);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the directory and its parents; raises when that is impossible.
void ForceDirectories(const std::string& path);
bool DeleteFileIfExists(const std::string& path);
int64_t FileSize(const std::string& path); // -1 when absent

std::string JoinPath(const std::string& dir, const std::string& name);
std::string ExtractFileName(const std::string& path);
std::string ExtractFileDir(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext); // ext with its dot
std::string AbsolutePath(const std::string& path);

// Text of an errno value, for the messages that carry the system's reason.
std::string SystemErrorText(int err);

// Test hook: after this many more bytes, writes fail as a full disk would (-1 turns it off).
void InjectWriteFault(int64_t failAfterBytes);

} // namespace zorb
