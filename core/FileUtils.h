// File access used by every data file of the system. Whole-file rewrites go through a temporary file beside
// the target, synced and renamed over it, so a failed write never leaves a truncated file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zorb {

// Raises EZorbError with the system's reason when the file cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileAtomic(const std::string& path, std::string_view data);

// A whole-file rewrite written piece by piece: the pieces go to a temporary file beside the target, which
// replaces the target on Commit; anything else (an error, an exception, Discard) removes it and leaves the
// target as it was.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(std::string path);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    void Write(std::string_view data);
    void Commit();
    void Discard();

private:
    [[noreturn]] void Fail(const char* what);
    std::string FPath, FTemp;
    int FFd = -1;
};

// Calls f for each line of a file read as a stream (LF or CR LF ends a line) until f returns false; lines
// longer than maxLine bytes are skipped whole, so no line can take more memory than that.
void ForEachFileLine(const std::string& path, const std::function<bool(std::string_view)>& f,
                     size_t maxLine = 65536);
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
