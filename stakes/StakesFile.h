// The stakes file: 320-byte records, read and written one at a time, never held in memory as a whole. The last
// record read is cached, because a grid asks for each cell of a row separately.
#pragma once

#include "stakes/StakeRecord.h"

#include <cstdint>
#include <string>

namespace zorb {

class TStakesFile {
public:
    TStakesFile() = default;
    ~TStakesFile();
    TStakesFile(const TStakesFile&) = delete;
    TStakesFile& operator=(const TStakesFile&) = delete;

    // Opens the file, creating it when absent (not when read-only); raises EZorbError with the system's reason.
    void Open(const std::string& path, bool readOnly = false);
    void Close();
    bool IsOpen() const { return FFd >= 0; }
    const std::string& Path() const { return FPath; }

    int64_t Count() const { return FSize / static_cast<int64_t>(StakeRecordSize); }
    bool Empty() const { return FSize == 0; }
    // A non-empty file whose size is not a multiple of the record or whose first record is not version 2.
    bool Outdated();

    // origin 0: from the start, 1: from the position after the last access, 2: from the end (index -1 = last).
    TStakeRecord Read(int origin, int64_t index);
    TStakeRecord Read(int64_t index) { return Read(0, index); }
    // A position at the end appends.
    void Write(int origin, int64_t index, const TStakeRecord& record);
    void Append(const TStakeRecord& record) { Write(2, 0, record); }
    void Truncate();
    // Makes the contents durable without giving up the file.
    void Sync();

private:
    int64_t Position(int origin, int64_t index) const;
    void Invalidate() { FCachedIndex = -1; }

    int FFd = -1;
    std::string FPath;
    int64_t FSize = 0;
    int64_t FPos = 0; // byte position after the last read or write
    int64_t FCachedIndex = -1;
    TStakeRecord FCached;
};

// Keeps a second copy of the program out of a data directory for as long as it is held.
class TInstanceLock {
public:
    ~TInstanceLock() { Release(); }
    bool Acquire(const std::string& dir);
    void Release();
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};

} // namespace zorb
