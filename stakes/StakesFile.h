// The stakes file: 320-byte records, read and written one at a time, never held in memory as a whole. The last
// record read is cached, because a grid asks for each cell of a row separately.
#pragma once

#include "stakes/StakeRecord.h"

#include <cstdint>
#include <functional>
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
    // A non-empty file whose first record is not version 2: a format this program does not read.
    bool Outdated();
    // The bytes after the last whole record: what an append cut short by a crash or a full disk leaves.
    int64_t TornBytes() const { return FSize % static_cast<int64_t>(StakeRecordSize); }
    // Cuts those bytes off; every whole record stays.
    void CutTornTail();
    // Copies the file as it is now to "<path>.damaged-<yyyymmdd-hhnnss>" (through a temporary file) and returns
    // the copy's path; raises when the copy cannot be made.
    std::string KeepDamagedCopy();

    // origin 0: from the start, 1: from the position after the last access, 2: from the end (index -1 = last).
    TStakeRecord Read(int origin, int64_t index);
    TStakeRecord Read(int64_t index) { return Read(0, index); }
    // A position at the end appends; an append that fails leaves the file at its previous length.
    void Write(int origin, int64_t index, const TStakeRecord& record);
    void Append(const TStakeRecord& record) { Write(2, 0, record); }
    void Truncate();
    // Makes the contents durable without giving up the file.
    void Sync();

    // Appends stop, with a message, before the disk has less free space left than this: a full disk would
    // stop the other data files from being saved too.
    static constexpr int64_t FreeSpaceMargin = 32ll << 20;
    // Raises when appending `bytes` would leave less than the margin free. The free space is asked for again
    // after at most RoomRecheckBytes of appends, so a stream of single appends costs no system call each.
    void EnsureRoom(int64_t bytes);
    static constexpr int64_t RoomRecheckBytes = 4ll << 20;
    // The free bytes of the file's disk, -1 when unknown; tests put a small disk in its place.
    using TFreeSpaceProbe = std::function<int64_t(int fd)>;
    void SetFreeSpaceProbe(TFreeSpaceProbe probe) {
        FFreeSpace = std::move(probe);
        FRoom = 0;
    }

private:
    int64_t Position(int origin, int64_t index) const;
    int64_t FreeSpace() const;
    void Invalidate() { FCachedIndex = -1; }

    int FFd = -1;
    std::string FPath;
    int64_t FSize = 0;
    int64_t FPos = 0; // byte position after the last read or write
    int64_t FCachedIndex = -1;
    TStakeRecord FCached;
    TFreeSpaceProbe FFreeSpace;
    int64_t FRoom = 0; // bytes that may still be appended before the free space is asked for again
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
