#include "stakes/StakesFile.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Translate.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace zorb {

TStakesFile::~TStakesFile() {
    Close();
}

void TStakesFile::Open(const std::string& path, bool readOnly) {
    Close();
    const int fd = ::open(path.c_str(), readOnly ? (O_RDONLY | O_CLOEXEC) : (O_RDWR | O_CREAT | O_CLOEXEC), 0666);
    if (fd < 0) throw EZorbError(Format(Tr("Не удалось открыть файл \"%s\": %s"), path, SystemErrorText(errno)));
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw EZorbError(Format(Tr("Не удалось открыть файл \"%s\": %s"), path, SystemErrorText(err)));
    }
    FFd = fd;
    FPath = path;
    FSize = st.st_size;
    FPos = 0;
    FRoom = 0;
    Invalidate();
}

void TStakesFile::Close() {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    FSize = FPos = FRoom = 0;
    Invalidate();
}

bool TStakesFile::Outdated() {
    if (FSize == 0) return false;
    uint8_t version = 0;
    if (::pread(FFd, &version, 1, 0) != 1) return true;
    return version != StakeVersion;
}

void TStakesFile::CutTornTail() {
    if (!IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    const int64_t whole = FSize - TornBytes();
    if (whole == FSize) return;
    if (::ftruncate(FFd, whole) != 0 || ::fsync(FFd) != 0) throw EZorbError(SystemErrorText(errno));
    FSize = whole;
    FPos = std::min(FPos, FSize);
    Invalidate();
}

std::string TStakesFile::KeepDamagedCopy() {
    if (!IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string copy = FPath + ".damaged-" + stamp;
    for (int n = 2; FileExists(copy); ++n) copy = FPath + ".damaged-" + stamp + "-" + std::to_string(n);
    // Read through the open descriptor: the file is held exclusively, and this is the state that was found.
    TAtomicFileWriter out(copy);
    std::vector<char> buf(1 << 20);
    for (int64_t done = 0; done < FSize;) {
        const ssize_t r = ::pread(FFd, buf.data(), static_cast<size_t>(std::min<int64_t>(FSize - done, 1 << 20)), done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) throw EZorbError(r < 0 ? SystemErrorText(errno) : std::string(Tr("неожиданный конец файла")));
        out.Write(std::string_view(buf.data(), static_cast<size_t>(r)));
        done += r;
    }
    out.Commit();
    return copy;
}

int64_t TStakesFile::FreeSpace() const {
    if (FFreeSpace) return FFreeSpace(FFd);
    struct statvfs st;
    if (::fstatvfs(FFd, &st) != 0) return -1;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

void TStakesFile::EnsureRoom(int64_t bytes) {
    if (!IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    if (bytes <= FRoom) return;
    const int64_t avail = FreeSpace();
    if (avail < 0) { // a disk that cannot say: the write itself reports a full disk, and cleanly
        FRoom = RoomRecheckBytes;
        return;
    }
    if (bytes > avail - FreeSpaceMargin) {
        FRoom = 0;
        auto mb = [](int64_t b) { return Format(Tr("%.1f МБ"), static_cast<double>(b) / 1048576.0); };
        throw EZorbError(Format(Tr("Недостаточно места на диске для записи ставок!\r\rСвободно: %s, нужно: %s "
                                   "и ещё %s в запас."),
                                mb(avail), mb(bytes), mb(FreeSpaceMargin)));
    }
    FRoom = std::min(avail - FreeSpaceMargin, std::max(bytes, RoomRecheckBytes));
}

int64_t TStakesFile::Position(int origin, int64_t index) const {
    const int64_t base = origin == 0 ? 0 : origin == 1 ? FPos : FSize;
    return base + index * static_cast<int64_t>(StakeRecordSize);
}

TStakeRecord TStakesFile::Read(int origin, int64_t index) {
    if (!IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    const int64_t pos = Position(origin, index);
    if (pos < 0 || pos > FSize - static_cast<int64_t>(StakeRecordSize) || pos % static_cast<int64_t>(StakeRecordSize))
        throw EZorbError(Format(Tr("Запись со индексом %d в файле данных не найдена!"), index));
    const int64_t absolute = pos / static_cast<int64_t>(StakeRecordSize);
    FPos = pos + static_cast<int64_t>(StakeRecordSize);
    if (absolute == FCachedIndex) return FCached;
    uint8_t buf[StakeRecordSize];
    size_t done = 0;
    while (done < StakeRecordSize) {
        const ssize_t r = ::pread(FFd, buf + done, StakeRecordSize - done, pos + static_cast<int64_t>(done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0)
            throw EZorbError(Format(Tr("Ошибка чтения записи из файла ставок!\r\r%s"),
                                    r < 0 ? SystemErrorText(errno) : std::string(Tr("неожиданный конец файла"))));
        done += static_cast<size_t>(r);
    }
    FCached = DecodeStake(buf);
    FCachedIndex = absolute;
    return FCached;
}

void TStakesFile::Write(int origin, int64_t index, const TStakeRecord& record) {
    if (!IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    const int64_t pos = Position(origin, index);
    if (pos < 0 || pos > FSize || pos % static_cast<int64_t>(StakeRecordSize))
        throw EZorbError(Format(Tr("Запись со индексом %d в файле данных не найдена!"), index));
    const bool append = pos == FSize;
    if (append) EnsureRoom(static_cast<int64_t>(StakeRecordSize));
    const auto bytes = EncodeStake(record);
    if (!WriteAll(FFd, bytes.data(), bytes.size(), pos)) {
        const int err = errno;
        Invalidate();
        // A record cut short would shift every later append off the record grid: the file goes back to its
        // length before this append.
        if (append && ::ftruncate(FFd, FSize) != 0) {
            const int cutErr = errno;
            throw EZorbError(Format("%s\r\r%s", SystemErrorText(err), SystemErrorText(cutErr)));
        }
        throw EZorbError(SystemErrorText(err));
    }
    if (append) FRoom = std::max<int64_t>(0, FRoom - static_cast<int64_t>(StakeRecordSize));
    FSize = std::max(FSize, pos + static_cast<int64_t>(StakeRecordSize));
    FPos = pos + static_cast<int64_t>(StakeRecordSize);
    // The cache holds the record as written, so the next read of it needs no disk access.
    FCached = DecodeStake(bytes.data());
    FCachedIndex = pos / static_cast<int64_t>(StakeRecordSize);
}

void TStakesFile::Truncate() {
    if (!IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    if (::ftruncate(FFd, 0) != 0) throw EZorbError(SystemErrorText(errno));
    FSize = FPos = 0;
    Invalidate();
}

void TStakesFile::Sync() {
    if (IsOpen() && ::fsync(FFd) != 0) throw EZorbError(SystemErrorText(errno));
}

bool TInstanceLock::Acquire(const std::string& dir) {
    Release();
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    FFd = fd;
    return true;
}

void TInstanceLock::Release() {
    if (FFd >= 0) ::close(FFd); // closing drops the lock
    FFd = -1;
}

} // namespace zorb
