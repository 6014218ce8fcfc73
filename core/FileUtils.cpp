#include "core/FileUtils.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "core/Translate.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zorb {

namespace {
int64_t g_writeFaultAfter = -1;

// write()/pwrite() with the injected fault applied; offset < 0 means the current position.
ssize_t WriteSome(int fd, const char* p, size_t n, int64_t offset = -1) {
    if (g_writeFaultAfter >= 0) {
        if (g_writeFaultAfter == 0) {
            errno = ENOSPC;
            return -1;
        }
        n = std::min<size_t>(n, static_cast<size_t>(g_writeFaultAfter));
    }
    ssize_t w = offset < 0 ? ::write(fd, p, n) : ::pwrite(fd, p, n, offset);
    if (w > 0 && g_writeFaultAfter >= 0) g_writeFaultAfter -= w;
    return w;
}
} // namespace

bool WriteAll(int fd, const void* data, size_t size, int64_t offset) {
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t w = WriteSome(fd, p + done, size - done, offset < 0 ? -1 : offset + static_cast<int64_t>(done));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return false;
        if (w == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

void InjectWriteFault(int64_t failAfterBytes) {
    g_writeFaultAfter = failAfterBytes;
}

std::string SystemErrorText(int err) {
    return std::strerror(err);
}

std::string ReadFileBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EZorbError(Format(Tr("Не удалось открыть файл \"%s\": %s"), path, SystemErrorText(errno)));
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            throw EZorbError(Format(Tr("Не удалось прочитать файл \"%s\": %s"), path, SystemErrorText(err)));
        }
        if (r == 0) break;
        data.append(buf, static_cast<size_t>(r));
    }
    ::close(fd);
    return data;
}

TAtomicFileWriter::TAtomicFileWriter(std::string path) : FPath(std::move(path)), FTemp(FPath + ".~XXXXXX") {
    FFd = ::mkstemp(FTemp.data());
    if (FFd < 0) throw EZorbError(Format(Tr("Не удалось создать файл \"%s\": %s"), FPath, SystemErrorText(errno)));
    // mkstemp creates 0600; data files are ordinary user files.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    ::fchmod(FFd, ::stat(FPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~mask));
}

TAtomicFileWriter::~TAtomicFileWriter() {
    Discard();
}

void TAtomicFileWriter::Discard() {
    if (FFd < 0) return;
    ::close(FFd);
    ::unlink(FTemp.c_str());
    FFd = -1;
}

void TAtomicFileWriter::Fail(const char* what) {
    const int err = errno;
    Discard();
    throw EZorbError(Format(Tr(what), FPath, SystemErrorText(err)));
}

void TAtomicFileWriter::Write(std::string_view data) {
    if (FFd < 0) throw EZorbError(Format(Tr("Не удалось записать файл \"%s\""), FPath));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t w = WriteSome(FFd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            Fail("Не удалось записать файл \"%s\": %s");
        }
        done += static_cast<size_t>(w);
    }
}

void TAtomicFileWriter::Commit() {
    if (FFd < 0) throw EZorbError(Format(Tr("Не удалось записать файл \"%s\""), FPath));
    if (::fsync(FFd) != 0) Fail("Не удалось записать файл \"%s\": %s");
    const int fd = FFd;
    FFd = -1;
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(FTemp.c_str());
        throw EZorbError(Format(Tr("Не удалось записать файл \"%s\": %s"), FPath, SystemErrorText(err)));
    }
    if (::rename(FTemp.c_str(), FPath.c_str()) != 0) {
        int err = errno;
        ::unlink(FTemp.c_str());
        throw EZorbError(Format(Tr("Не удалось заменить файл \"%s\": %s"), FPath, SystemErrorText(err)));
    }
    // Make the rename itself durable.
    int dfd = ::open(ExtractFileDir(AbsolutePath(FPath)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

void WriteFileAtomic(const std::string& path, std::string_view data) {
    TAtomicFileWriter w(path);
    w.Write(data);
    w.Commit();
}

void ForEachFileLine(const std::string& path, const std::function<bool(std::string_view)>& f, size_t maxLine) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EZorbError(Format(Tr("Не удалось открыть файл \"%s\": %s"), path, SystemErrorText(errno)));
    std::string line;
    bool tooLong = false, stop = false;
    char buf[65536];
    auto emit = [&] {
        std::string_view v = line;
        if (!v.empty() && v.back() == '\r') v.remove_suffix(1);
        if (!tooLong) stop = !f(v);
        line.clear();
        tooLong = false;
    };
    while (!stop) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            throw EZorbError(Format(Tr("Не удалось прочитать файл \"%s\": %s"), path, SystemErrorText(err)));
        }
        if (r == 0) break;
        for (const char* p = buf; p < buf + r && !stop;) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(buf + r - p)));
            const char* e = nl ? nl : buf + r;
            if (!tooLong) {
                const size_t take = std::min(static_cast<size_t>(e - p), maxLine + 1 - line.size());
                line.append(p, take);
                tooLong = line.size() > maxLine;
                if (tooLong) line.clear();
            }
            if (nl) emit();
            p = nl ? nl + 1 : e;
        }
    }
    if (!stop && (!line.empty() || tooLong)) emit();
    ::close(fd);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

void ForceDirectories(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return;
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path))
        throw EZorbError(Format(Tr("Не удалось создать каталог \"%s\": %s"), path, ec ? ec.message() : Tr("не каталог")));
}

bool DeleteFileIfExists(const std::string& path) {
    std::error_code ec;
    return fs::remove(path, ec);
}

int64_t FileSize(const std::string& path) {
    std::error_code ec;
    auto s = fs::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(s);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return (fs::path(dir) / name).string();
}

std::string ExtractFileName(const std::string& path) {
    return fs::path(path).filename().string();
}

std::string ExtractFileDir(const std::string& path) {
    return fs::path(path).parent_path().string();
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    return fs::path(path).replace_extension(ext).string();
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

} // namespace zorb
