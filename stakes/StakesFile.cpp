#include "stakes/StakesFile.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Translate.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
    Invalidate();
}

void TStakesFile::Close() {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    FSize = FPos = 0;
    Invalidate();
}

bool TStakesFile::Outdated() {
    if (FSize == 0) return false;
    if (FSize % static_cast<int64_t>(StakeRecordSize) != 0) return true;
    uint8_t version = 0;
    if (::pread(FFd, &version, 1, 0) != 1) return true;
    return version != StakeVersion;
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
    const auto bytes = EncodeStake(record);
    if (!WriteAll(FFd, bytes.data(), bytes.size(), pos)) {
        const int err = errno;
        Invalidate();
        throw EZorbError(SystemErrorText(err));
    }
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
