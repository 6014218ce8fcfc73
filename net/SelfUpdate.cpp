#include "net/SelfUpdate.h"

#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/Platform.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "net/Reply.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zorb {

namespace fs = std::filesystem;

namespace {

constexpr const char* DescriptorFile = "SelfUpdates.inf";
constexpr const char* WorkDirName = "SelfUpdate";
constexpr const char* OldDirName = "SelfUpdate.old";
constexpr const char* JournalName = "journal";
constexpr const char* CommitMark = "COMMIT";
constexpr const char* StageDirName = "files";
constexpr const char* VersionFile = "VERSION";
constexpr int64_t MaxDescriptorBytes = 1 << 20;
constexpr int64_t MaxPackageBytes = 1ll << 30;
constexpr uint64_t MaxPackageTotalBytes = 2ull << 30;

// The key whose private half signs the published packages; it is kept by the maker, never in the sources.
const std::string UpdatePublicKey = "-----BEGIN PUBLIC KEY-----\n"
                                    "MCowBQYDK2VwAyEAwVnjmdVckXxVhewhFaVnY6oD13STZx9MxRJYQO78+Ns=\n"
                                    "-----END PUBLIC KEY-----\n";

bool IsUrl(const std::string& s) {
    const std::string l = LowerCase(s.substr(0, 8));
    return l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0;
}

EZorbError BadName(const std::string& name) {
    return EZorbError(Format(Tr("Пакет обновления содержит недопустимое имя файла \"%s\"!"), QuoteReply(name)));
}

EZorbError BadSignature() {
    return EZorbError(Tr("Неверная цифровая подпись файла обновления."));
}

// The descriptor, the stage and the swap all live in the program directory.
void CheckWritable(const std::string& dir) {
    if (!DirectoryWritable(dir)) throw EZorbError(Format(Tr("Нет прав на запись в каталог программы \"%s\"!"), dir));
}

EZorbError NotFound(const std::string& path) {
    return EZorbError(Format(Tr("Файл \"%s\" не найден!"), path));
}

// The folders of an installation that hold program files only.
const char* const ProgramFolders[] = {"help", "sample", "lib", "plugins", "translations"};

bool AsciiLetters(std::string_view s) {
    return !s.empty() && s.size() <= 8 &&
           std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

// The allow-list of an update: the files an installation consists of, as the packaging lays them out beside the
// executable — the programs, VERSION, the language modules, the help, and the program folders. Nothing else of the
// program directory (which in a portable copy is the data directory as well) may be written or deleted: not the
// user's files whatever their names, nor this engine's own places, nor a temporary or moved-aside file ("*.~*")
// or a kept copy of a damaged file.
bool ProgramFile(const std::string& rel, const std::string& program) {
    const std::vector<std::string> parts = SplitKeepEmpty(rel, '/');
    for (const std::string& part : parts)
        if (part.find(".~") != std::string::npos || part.find(".damaged-") != std::string::npos) return false;
    if (parts.size() > 1 || rel.back() == '/')
        return std::any_of(std::begin(ProgramFolders), std::end(ProgramFolders),
                           [&](const char* f) { return parts[0] == f; });
    if (rel == program || rel == "zorb-cli" || rel == "zorb-server" || rel == VersionFile) return true;
    auto between = [&](const std::string& head, const std::string& tail) {
        return rel.size() > head.size() + tail.size() && rel.rfind(head, 0) == 0 &&
               rel.compare(rel.size() - tail.size(), tail.size(), tail) == 0 &&
               AsciiLetters(std::string_view(rel).substr(head.size(), rel.size() - head.size() - tail.size()));
    };
    return between(program + "_", ".lng") || between("Kessto_", ".chm");
}

// Whether `path` is `dir` or lies below it, by their canonical forms.
bool Inside(const std::string& path, const std::string& dir) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(path, ec);
    if (ec) return false;
    const fs::path d = fs::weakly_canonical(dir, ec);
    if (ec) return false;
    const fs::path rel = p.lexically_relative(d);
    return !rel.empty() && *rel.begin() != "..";
}

// A relative path that stays inside its folder: no absolute name, drive, backslash, empty, "." or ".." part, or
// control character. A trailing "/" (a folder entry) is allowed when `folder`.
bool SafeRelative(const std::string& name, bool folder = false) {
    std::string n = name;
    if (folder && !n.empty() && n.back() == '/') n.pop_back();
    if (n.empty() || n[0] == '/' || n.find('\\') != std::string::npos || n.find(':') != std::string::npos) return false;
    for (unsigned char c : n)
        if (c < 0x20 || c == 0x7F) return false;
    for (const std::string& part : SplitKeepEmpty(n, '/'))
        if (part.empty() || part == "." || part == "..") return false;
    return IsValidUtf8(n);
}

std::vector<std::string> NameList(const std::string& value) {
    std::vector<std::string> r;
    for (const std::string& part : SplitWords(value, ";")) {
        const std::string t = Trim(part);
        if (!t.empty()) r.push_back(t);
    }
    return r;
}

void WriteAllOrRaise(int fd, const std::string& data, const std::string& path) {
    if (!WriteAll(fd, data.data(), data.size()) || ::fsync(fd) != 0)
        throw EZorbError(Format("%s: %s", path, SystemErrorText(errno)));
}

void RenameOrRaise(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0)
        throw EZorbError(Format("%s -> %s: %s", from, to, SystemErrorText(errno)));
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec) throw EZorbError(Format("%s: %s", path, ec.message()));
}

// Whether another process holds the journal (an installation in progress): it is locked while its swap runs.
bool JournalBusy(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

// The moves of one installation, each written (and synced) before it is made, so that a swap cut short at any
// point can be undone from the journal alone. `step` follows every durable change (tests end the process there).
class TJournal {
public:
    TJournal(std::string installDir, std::string oldDir, std::function<void()> step)
        : FInstall(std::move(installDir)), FOld(std::move(oldDir)), FStep(std::move(step)) {
        ForceDirectories(FOld);
        FPath = JoinPath(FOld, JournalName);
        FFd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (FFd < 0) throw EZorbError(Format("%s: %s", FPath, SystemErrorText(errno)));
        // Held until the swap ends, so a program starting meanwhile leaves the swap alone.
        ::flock(FFd, LOCK_EX | LOCK_NB);
        Step();
    }
    ~TJournal() {
        if (FFd >= 0) ::close(FFd);
    }
    TJournal(const TJournal&) = delete;
    TJournal& operator=(const TJournal&) = delete;

    // Creates the missing folders of `rel` inside the program directory.
    void MakeParents(const std::string& rel) {
        const std::vector<std::string> parts = SplitKeepEmpty(rel, '/');
        std::string dir;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            dir = dir.empty() ? parts[i] : dir + "/" + parts[i];
            const std::string full = JoinPath(FInstall, dir);
            if (Exists(full)) continue;
            Log("D\t" + dir);
            if (::mkdir(full.c_str(), 0755) != 0) throw EZorbError(Format("%s: %s", full, SystemErrorText(errno)));
            Step();
        }
    }
    // Moves an existing file of the program directory aside into the old folder.
    void MoveAside(const std::string& rel) {
        const std::string target = JoinPath(FInstall, rel);
        if (!Exists(target)) return;
        std::string aside = rel;
        for (int n = 1; Exists(JoinPath(FOld, aside)) || aside == JournalName; ++n) aside = rel + Format(".%d", n);
        ForceDirectories(ExtractFileDir(JoinPath(FOld, aside)));
        Log("M\t" + rel + "\t" + aside);
        RenameOrRaise(target, JoinPath(FOld, aside));
        Step();
    }
    void Place(const std::string& staged, const std::string& rel) {
        Log("P\t" + rel);
        RenameOrRaise(staged, JoinPath(FInstall, rel));
        Step();
    }
    void Commit() { Log(CommitMark); }

private:
    void Log(const std::string& line) {
        WriteAllOrRaise(FFd, line + "\n", FPath);
        Step();
    }
    void Step() {
        if (FStep) FStep();
    }

    std::string FInstall, FOld, FPath;
    std::function<void()> FStep;
    int FFd = -1;
};

bool JournalCommitted(const std::string& text) {
    bool committed = false;
    ForEachLine(text, [&](std::string_view line) {
        committed = committed || line == CommitMark;
        return true;
    });
    return committed;
}

// Undoes the journal's moves, newest first; what cannot be put back is left where it is. Only whole lines count:
// a line cut short by a crash names no move that was made, and a cut name could name another file. True when
// every file moved aside is back.
bool Undo(const std::string& installDir, const std::string& oldDir, std::string journalText) {
    journalText.resize(journalText.rfind('\n') == std::string::npos ? 0 : journalText.rfind('\n') + 1);
    std::vector<std::vector<std::string>> lines;
    ForEachLine(journalText, [&](std::string_view line) {
        lines.push_back(SplitKeepEmpty(line, '\t'));
        return true;
    });
    // Where each replaced file was put aside: a placed file is taken away only while the file it replaced still
    // waits there, so running the undo again (after a crash during the undo) never removes a restored file.
    std::map<std::string, std::string> asideOf;
    for (const auto& l : lines)
        if (l.size() == 3 && l[0] == "M" && SafeRelative(l[2])) asideOf[l[1]] = l[2];
    bool complete = true;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const std::vector<std::string>& l = *it;
        if (l.size() < 2 || !SafeRelative(l[1])) continue;
        const std::string target = JoinPath(installDir, l[1]);
        if (l[0] == "P") {
            const auto aside = asideOf.find(l[1]);
            if (aside == asideOf.end() || Exists(JoinPath(oldDir, aside->second))) std::remove(target.c_str());
        } else if (l[0] == "M" && l.size() == 3 && SafeRelative(l[2])) {
            const std::string aside = JoinPath(oldDir, l[2]);
            if (Exists(aside) && !Exists(target)) std::rename(aside.c_str(), target.c_str());
            complete = complete && !Exists(aside);
        } else if (l[0] == "D") {
            ::rmdir(target.c_str());
        }
    }
    return complete;
}

struct TZipClose {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct TZipFileClose {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

struct TPackageFile {
    zip_uint64_t Index;
    std::string Name;
    mode_t Mode;
};

// The package's entries, every name and kind checked before anything is written.
std::vector<TPackageFile> ListPackage(zip_t* zip, const TZipLimits& limits, std::set<std::string>& folders,
                                      const std::function<bool(const std::string&)>& allowed) {
    std::vector<TPackageFile> files;
    uint64_t total = 0;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(zip, index, ZIP_FL_ENC_GUESS);
        const std::string name = raw ? raw : "";
        const bool folder = !name.empty() && name.back() == '/';
        if (!SafeRelative(name, true)) throw BadName(name);
        const std::string rel = folder ? name.substr(0, name.size() - 1) : name;
        if (!allowed(folder ? name : rel)) throw BadName(name);
        zip_uint8_t opsys;
        zip_uint32_t attributes;
        mode_t mode = folder ? 0755 : 0644;
        if (zip_file_get_external_attributes(zip, index, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX) {
            const mode_t unixMode = static_cast<mode_t>(attributes >> 16);
            const mode_t type = unixMode & S_IFMT;
            // Links and devices could point outside the folder; only files and folders are taken.
            if (type != 0 && type != (folder ? S_IFDIR : S_IFREG)) throw BadName(name);
            if (unixMode & 0777) mode = unixMode & 0777;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
            if (st.size > limits.MaxEntryBytes) throw BadName(name);
            if ((st.valid & ZIP_STAT_COMP_SIZE) && st.size > limits.RatioFreeBytes &&
                st.size / std::max<zip_uint64_t>(st.comp_size, 1) > limits.MaxRatio)
                throw BadName(name);
            total += st.size;
            if (total > MaxPackageTotalBytes) throw BadName(name);
        }
        if (folder) {
            folders.insert(rel);
        } else {
            files.push_back({index, rel, mode});
        }
        // Every parent of an entry is a folder of the package.
        const std::vector<std::string> parts = SplitKeepEmpty(rel, '/');
        std::string dir;
        for (size_t k = 0; k + 1 < parts.size(); ++k)
            folders.insert(dir = dir.empty() ? parts[k] : dir + "/" + parts[k]);
    }
    std::set<std::string> seen;
    for (const TPackageFile& f : files) {
        // The same name twice, or a file where the package also has a folder, is no install tree.
        if (!seen.insert(LowerCase(f.Name)).second || folders.count(f.Name)) throw BadName(f.Name);
    }
    return files;
}

void ExtractFile(zip_t* zip, const TPackageFile& f, const std::string& target, const TZipLimits& limits) {
    std::unique_ptr<zip_file_t, TZipFileClose> in(zip_fopen_index(zip, f.Index, 0));
    if (!in) throw EZorbError(Format(Tr("Не удалось прочитать \"%s\" из архива: %s"), f.Name, zip_strerror(zip)));
    ForceDirectories(ExtractFileDir(target));
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw EZorbError(Format("%s: %s", target, SystemErrorText(errno)));
    struct TFd {
        int Fd;
        ~TFd() { ::close(Fd); }
    } guard{fd};
    std::vector<char> buf(65536);
    uint64_t total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(in.get(), buf.data(), buf.size());
        if (n < 0) throw EZorbError(Format(Tr("Не удалось прочитать \"%s\" из архива"), f.Name));
        if (n == 0) break;
        total += static_cast<uint64_t>(n);
        if (total > limits.MaxEntryBytes) throw BadName(f.Name);
        if (!WriteAll(fd, buf.data(), static_cast<size_t>(n)))
            throw EZorbError(Format("%s: %s", target, SystemErrorText(errno)));
        if (CancelRequested()) throw EZorbError(Tr("Операция прервана."));
    }
    if (::fchmod(fd, f.Mode) != 0 || ::fsync(fd) != 0)
        throw EZorbError(Format("%s: %s", target, SystemErrorText(errno)));
}

// Runs a program of the package without a shell and waits for it at most `seconds`; exit codes are not looked at.
void RunProgram(const std::string& path, const std::string& workDir, int seconds, const std::function<void()>& tick) {
    const pid_t pid = ::fork();
    if (pid < 0) throw EZorbError(Format("%s: %s", path, SystemErrorText(errno)));
    if (pid == 0) {
        if (::chdir(workDir.c_str()) != 0) ::_exit(127);
        char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
        ::execv(path.c_str(), argv);
        ::_exit(127);
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return;
        if (std::chrono::steady_clock::now() >= until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            throw EZorbError(Format(Tr("Ожидание завершения процесса (файла) \"%s\" прервано в связи с превышением "
                                       "времени ожидания!"),
                                    path));
        }
        if (tick) tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

TUpdateDescriptor ReadUpdateDescriptor(const std::string& path, const std::string& section,
                                       const std::string& runningVersion) {
    TIniFile ini(path);
    ini.Load();
    TUpdateDescriptor d;
    d.VerId = Trim(ini.ReadString(section, "VerId", runningVersion));
    d.Description = ini.ReadString(section, "Description", "");
    d.DownloadUrl = Trim(ini.ReadString(section, "DownloadUrl", ""));
    d.SignatureUrl = Trim(ini.ReadString(section, "SignatureUrl", ""));
    d.OriginalFileName = Trim(ini.ReadString(section, "OriginalFileName", ""));
    d.ChecksumCRC32 = Trim(ini.ReadString(section, "ChecksumCRC32", ""));
    for (const std::string& s : {std::string("GlobalOptions"), section}) {
        auto add = [&](std::vector<std::string>& list, const char* key) {
            for (const std::string& n : NameList(ini.ReadString(s, key, ""))) list.push_back(n);
        };
        add(d.DeleteBefore, "DeleteBefore");
        add(d.DeleteAfter, "DeleteAfter");
        add(d.ExecBefore, "ExecBefore");
        add(d.ExecAfter, "ExecAfter");
    }
    return d;
}

int BuildNumber(const std::string& version) {
    std::vector<std::string> all;
    std::string cur;
    for (char c : version) {
        if (c == ',' || c == '-' || c == '.' || c == '_') {
            all.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    all.push_back(cur);
    int32_t n;
    if (all.size() < 4 || !TryStrToInt(Trim(all[3]), n)) return 0;
    return n;
}

uint32_t Crc32(const void* data, size_t size, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::string Crc32Text(uint32_t crc) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", crc);
    return buf;
}

std::string FileCrc32Text(const std::string& path) {
    // Read piece by piece: a package may be larger than the memory one would spend on it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EZorbError(Format(Tr("Не удалось открыть файл \"%s\": %s"), path, SystemErrorText(errno)));
    std::vector<char> buf(1 << 20);
    uint32_t crc = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw EZorbError(Format(Tr("Не удалось прочитать файл \"%s\": %s"), path, SystemErrorText(err)));
        }
        if (n == 0) break;
        crc = Crc32(buf.data(), static_cast<size_t>(n), crc);
    }
    ::close(fd);
    return Crc32Text(crc);
}

const std::string& BuiltInUpdateKey() {
    return UpdatePublicKey;
}

bool VerifyEd25519(const std::string& data, const std::string& signature, const std::string& publicKeyPem) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(publicKeyPem.data(), static_cast<int>(publicKeyPem.size())), &BIO_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr, &EVP_PKEY_free);
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519)
        throw EZorbError(Tr("Открытый ключ проверки обновлений не является ключом Ed25519."));
    if (signature.size() != 64) return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                            reinterpret_cast<const unsigned char*>(data.data()), data.size()) == 1;
}

TSelfUpdater::TSelfUpdater(TSelfUpdateOptions options) : FOptions(std::move(options)) {}

std::string TSelfUpdater::WorkDir() const {
    return JoinPath(FOptions.InstallDir, WorkDirName);
}

std::string TSelfUpdater::OldDir() const {
    return JoinPath(FOptions.InstallDir, OldDirName);
}

void TSelfUpdater::DropOldFolder() const {
    const std::string journal = JoinPath(OldDir(), JournalName);
    if (FileExists(journal) && !JournalCommitted(ReadFileBytes(journal)))
        throw EZorbError(Format(Tr("Не все файлы прерванной установки обновления удалось вернуть на место; они "
                                   "остаются в \"%s\"."),
                                OldDir()));
    if (DirectoryExists(OldDir())) RemoveTree(OldDir());
}

void TSelfUpdater::Tick(const TUpdateSteps& steps) const {
    if (steps.Step) steps.Step();
    if (CancelRequested() || (steps.Stop && steps.Stop())) throw EZorbError(Tr("Операция прервана."));
}

std::string TSelfUpdater::ResolveSource(const std::string& source) const {
    // A relative file path is taken beside a descriptor that is a file itself.
    if (IsUrl(source) || source.empty() || source[0] == '/' || IsUrl(FOptions.DescriptorUrl)) return source;
    return JoinPath(ExtractFileDir(AbsolutePath(FOptions.DescriptorUrl)), source);
}

void TSelfUpdater::Fetch(const std::string& source, const std::string& target, int64_t maxBytes,
                         const std::function<void(const char*, size_t)>& onBody) const {
    ForceDirectories(ExtractFileDir(target));
    if (IsUrl(source)) {
        THttpOptions http = FOptions.Http;
        http.MaxBytes = maxBytes;
        http.OnBody = onBody;
        DownloadToFile(source, target, http);
        return;
    }
    const int64_t size = FileSize(source);
    if (size < 0) throw NotFound(source);
    if (size > maxBytes) throw EZorbError(Format(Tr("Файл \"%s\" больше допустимого размера."), source));
    // Copied piece by piece: a package may be large, and only a buffer of it is held.
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw EZorbError(Format("%s: %s", source, SystemErrorText(errno)));
    struct TFd {
        int Fd;
        ~TFd() { ::close(Fd); }
    } guard{in};
    TAtomicFileWriter out(target);
    std::vector<char> buf(1 << 20);
    int64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EZorbError(Format("%s: %s", source, SystemErrorText(errno)));
        if (n == 0) break;
        total += n;
        if (total > maxBytes) throw EZorbError(Format(Tr("Файл \"%s\" больше допустимого размера."), source));
        out.Write(std::string_view(buf.data(), static_cast<size_t>(n)));
        if (onBody) onBody(buf.data(), static_cast<size_t>(n));
        if (CancelRequested()) throw EZorbError(Tr("Операция прервана."));
    }
    out.Commit();
}

bool TSelfUpdater::RecoverInterrupted(const std::string& installDir) {
    const std::string oldDir = JoinPath(installDir, OldDirName);
    const std::string journal = JoinPath(oldDir, JournalName);
    if (!FileExists(journal) || JournalBusy(journal)) return false;
    const std::string text = ReadFileBytes(journal);
    const bool committed = JournalCommitted(text);
    bool undone = false;
    if (!committed) {
        // Every file back where it was: the folder of replaced files has nothing more to give. Otherwise the
        // journal stays, and the next start tries again.
        if (Undo(installDir, oldDir, text)) {
            std::error_code ec;
            fs::remove_all(oldDir, ec);
        }
        undone = true;
    }
    // The stage of the interrupted installation is of no further use either way.
    std::error_code ec;
    fs::remove_all(JoinPath(installDir, WorkDirName), ec);
    return undone;
}

TUpdateOffer TSelfUpdater::Check(const TUpdateSteps& steps) {
    const std::string& dir = FOptions.InstallDir;
    CheckWritable(dir);
    // What an earlier installation left: an interrupted swap is undone, the files it replaced are dropped. The
    // user's own "*.~*" files stay.
    if (JournalBusy(JoinPath(OldDir(), JournalName)))
        throw EZorbError(Tr("Другая копия программы уже устанавливает обновление."));
    RecoverInterrupted(dir);
    DropOldFolder();
    Tick(steps);
    Tick(steps); // the running version is given
    const std::string inf = JoinPath(dir, DescriptorFile);
    struct TRemove {
        std::string Path;
        ~TRemove() { std::remove(Path.c_str()); }
    } removeInf{inf};
    Fetch(FOptions.DescriptorUrl, inf, MaxDescriptorBytes);
    Tick(steps);
    TUpdateOffer offer;
    offer.Descriptor = ReadUpdateDescriptor(inf, FOptions.Section, FOptions.RunningVersion);
    Tick(steps);
    offer.Available = BuildNumber(FOptions.RunningVersion) < BuildNumber(offer.Descriptor.VerId) &&
                      !offer.Descriptor.DownloadUrl.empty();
    if (!offer.Available) return offer;
    // The description lies in "UpdDescr" beside the descriptor, per language first.
    const std::string& u = FOptions.DescriptorUrl;
    const bool url = IsUrl(u);
    const std::string base = url ? u.substr(0, u.rfind('/') + 1) + "UpdDescr/"
                                 : JoinPath(JoinPath(ExtractFileDir(AbsolutePath(u)), "UpdDescr"), "");
    const std::string& v = offer.Descriptor.VerId;
    std::vector<std::string> names;
    if (FOptions.Language != 0) {
        names.push_back(Format("UpdDescr_%s_%s.txt", FOptions.LanguageAbbrev, v));
        names.push_back(Format("UpdDescr_%d_%s.txt", FOptions.Language, v));
    }
    names.push_back(Format("UpdDescr_%s.txt", v));
    offer.Description = Tr("< Описание обновления не доступно >");
    for (const std::string& name : names) {
        try {
            std::string text;
            if (url) {
                THttpOptions http = FOptions.Http;
                http.MaxBytes = MaxDescriptorBytes;
                text = FetchText(base + name, http);
            } else {
                const std::string path = base + name;
                if (FileSize(path) < 0 || FileSize(path) > MaxDescriptorBytes) continue;
                text = ReadFileBytes(path);
            }
            offer.Description = DecodeTextFile(text);
            break;
        } catch (const std::exception&) {
            if (CancelRequested()) throw;
        }
    }
    Tick(steps);
    return offer;
}

void TSelfUpdater::Install(const TUpdateOffer& offer, const TUpdateSteps& steps) {
    const std::string& dir = FOptions.InstallDir;
    const TUpdateDescriptor& d = offer.Descriptor;
    // Everything the descriptor names is checked before any change.
    if (!SafeRelative(d.VerId) || d.VerId.find('/') != std::string::npos) throw BadName(d.VerId);
    if (!d.OriginalFileName.empty() &&
        (!SafeRelative(d.OriginalFileName) || d.OriginalFileName.find('/') != std::string::npos))
        throw BadName(d.OriginalFileName);
    // A package and the descriptor may write and delete program files only, and nothing in a data directory that
    // lies inside the program directory.
    const bool dataInside =
        !FOptions.DataDir.empty() && Inside(FOptions.DataDir, dir) && !Inside(dir, FOptions.DataDir);
    const auto allowed = [&](const std::string& rel) {
        return ProgramFile(rel, FOptions.Section) && !(dataInside && Inside(JoinPath(dir, rel), FOptions.DataDir));
    };
    for (const auto* list : {&d.DeleteBefore, &d.DeleteAfter, &d.ExecBefore, &d.ExecAfter})
        for (const std::string& n : *list)
            if (!SafeRelative(n) || !allowed(n)) throw BadName(n);
    CheckWritable(dir);
    if (JournalBusy(JoinPath(OldDir(), JournalName)))
        throw EZorbError(Tr("Другая копия программы уже устанавливает обновление."));
    RecoverInterrupted(dir);
    DropOldFolder();

    const std::string work = WorkDir();
    struct TRemoveWork {
        std::string Path;
        ~TRemoveWork() {
            std::error_code ec;
            fs::remove_all(Path, ec);
        }
    } removeWork{work};
    if (DirectoryExists(work) || Exists(work)) RemoveTree(work);
    Tick(steps);
    ForceDirectories(work);
    Tick(steps);

    // The signature first: it is small, and without it the package is not worth fetching. Transfers are tried
    // up to Attempts times; a missing signature is a bad one.
    const std::string package = JoinPath(work, Format("SelfUpdate_%s.upd", d.VerId));
    const std::string signature = package + ".sig";
    const std::string key = FOptions.PublicKeyPem.empty() ? BuiltInUpdateKey() : FOptions.PublicKeyPem;
    for (int attempt = 1;; ++attempt) {
        try {
            std::remove(signature.c_str());
            Fetch(ResolveSource(d.SignatureUrl.empty() ? d.DownloadUrl + ".sig" : d.SignatureUrl), signature, 4096);
            break;
        } catch (const std::exception&) {
            if (CancelRequested()) throw;
            if (attempt >= FOptions.Attempts) throw BadSignature();
        }
    }
    // The package streams to disk through its CRC-32 and SHA-512, so memory stays bounded whatever its size. A
    // transfer or CRC failure is tried again; a bad signature is final (fetching the same bytes again cannot mend
    // it).
    std::string digest;
    for (int attempt = 1;; ++attempt) {
        try {
            std::remove(package.c_str());
            uint32_t crc = 0;
            std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> sha(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
            if (!sha || EVP_DigestInit_ex(sha.get(), EVP_sha512(), nullptr) != 1)
                throw EZorbError(Tr("Не удалось вычислить контрольную сумму файла обновления."));
            Fetch(ResolveSource(d.DownloadUrl), package, MaxPackageBytes, [&](const char* data, size_t size) {
                crc = Crc32(data, size, crc);
                EVP_DigestUpdate(sha.get(), data, size);
            });
            if (!FileExists(package)) throw NotFound(package);
            if (!d.ChecksumCRC32.empty() && !SameText(Crc32Text(crc), d.ChecksumCRC32))
                throw EZorbError(Tr("Неверная контрольная сумма скачанного файла."));
            unsigned char md[EVP_MAX_MD_SIZE];
            unsigned int mdSize = 0;
            if (EVP_DigestFinal_ex(sha.get(), md, &mdSize) != 1)
                throw EZorbError(Tr("Не удалось вычислить контрольную сумму файла обновления."));
            digest.assign(reinterpret_cast<const char*>(md), mdSize);
            break;
        } catch (const std::exception&) {
            if (attempt >= FOptions.Attempts || CancelRequested()) throw;
        }
    }
    if (!VerifyEd25519(digest, ReadFileBytes(signature), key)) throw BadSignature();
    Tick(steps);

    // Unpack into the stage, every name checked first; VERSION must name the offered version.
    int zipError = 0;
    std::unique_ptr<zip_t, TZipClose> zip(zip_open(package.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &zipError));
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, zipError);
        const std::string text = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        throw EZorbError(Format(Tr("Архив \"%s\" повреждён или не является ZIP-файлом: %s"), package, text));
    }
    std::set<std::string> folders;
    const std::vector<TPackageFile> files = ListPackage(zip.get(), FOptions.Zip, folders, allowed);
    const std::string stage = JoinPath(work, StageDirName);
    ForceDirectories(stage);
    if (std::none_of(files.begin(), files.end(), [](const TPackageFile& f) { return f.Name != VersionFile; }))
        throw NotFound(JoinPath(stage, "*.*"));
    bool version = false;
    for (const TPackageFile& f : files) {
        ExtractFile(zip.get(), f, JoinPath(stage, f.Name), FOptions.Zip);
        if (f.Name == VersionFile) {
            if (FileSize(JoinPath(stage, f.Name)) > 256 || Trim(ReadFileBytes(JoinPath(stage, f.Name))) != d.VerId)
                throw BadSignature();
            version = true;
        }
    }
    zip.reset();
    if (!version) throw BadSignature();
    Tick(steps);

    // The package's files against the program directory: a file never replaces a folder, a folder never a file,
    // and no path runs through a link.
    std::set<std::string> packaged;
    for (const TPackageFile& f : files) {
        packaged.insert(f.Name);
        struct stat st;
        if (::lstat(JoinPath(dir, f.Name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw BadName(f.Name);
    }
    for (const std::string& folder : folders) {
        struct stat st;
        if (::lstat(JoinPath(dir, folder).c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) throw BadName(folder);
    }
    Tick(steps);

    TJournal journal(dir, OldDir(), FOptions.OnSwapStep);
    try {
        for (const std::string& n : d.DeleteBefore) journal.MoveAside(n);
        Tick(steps);
        for (const std::string& n : d.ExecBefore)
            if (packaged.count(n))
                RunProgram(JoinPath(stage, n), stage, FOptions.ExecTimeoutSeconds, [&] { Tick({}); });
        Tick(steps);
        for (const TPackageFile& f : files) {
            journal.MakeParents(f.Name);
            journal.MoveAside(f.Name);
            journal.Place(JoinPath(stage, f.Name), f.Name);
        }
        Tick(steps);
        for (const std::string& n : d.ExecAfter)
            if (packaged.count(n)) RunProgram(JoinPath(dir, n), dir, FOptions.ExecTimeoutSeconds, [&] { Tick({}); });
        Tick(steps);
        for (const std::string& n : d.DeleteAfter) journal.MoveAside(n);
        Tick(steps);
        journal.Commit();
    } catch (...) {
        const std::string text =
            FileExists(JoinPath(OldDir(), JournalName)) ? ReadFileBytes(JoinPath(OldDir(), JournalName)) : "";
        // What could not be put back stays in the old folder for the user rather than being removed with it.
        if (Undo(dir, OldDir(), text)) {
            std::error_code ec;
            fs::remove_all(OldDir(), ec);
        }
        throw;
    }
}

} // namespace zorb
