#include "net/ZipFiles.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "net/Reply.h"

#include <algorithm>
#include <memory>
#include <vector>
#include <zip.h>

namespace zorb {

namespace {
struct TZipClose {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct TZipFileClose {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && LowerCase(s.substr(s.size() - suffix.size())) == LowerCase(suffix);
}

EZorbError TooLarge(const std::string& zipPath, const std::string& name, const TZipLimits& limits) {
    return EZorbError(Format(Tr("Архив \"%s\": файл %s больше допустимого размера (%d КБ)"), zipPath, QuoteReply(name),
                             static_cast<int64_t>(limits.MaxEntryBytes >> 10)));
}

} // namespace

std::vector<std::string> ExtractMatching(const std::string& zipPath, const std::string& dir, const std::string& prefix,
                                         const std::string& suffix, const TZipLimits& limits) {
    int error = 0;
    std::unique_ptr<zip_t, TZipClose> zip(zip_open(zipPath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const std::string text = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        throw EZorbError(Format(Tr("Архив \"%s\" повреждён или не является ZIP-файлом: %s"), zipPath, text));
    }
    // First every name is checked, so that a refused archive writes nothing.
    struct TEntry {
        zip_uint64_t Index;
        std::string Name;
    };
    std::vector<TEntry> entries;
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), 0);
        if (!raw) continue;
        const std::string path = raw;
        const size_t slash = path.find_last_of("/\\");
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.empty() || LowerCase(name).rfind(LowerCase(prefix), 0) != 0 || !EndsWithNoCase(name, suffix)) continue;
        const bool absolute =
            !path.empty() && (path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos);
        bool parent = false;
        for (const std::string& part : SplitWords(path, "/\\")) parent = parent || part == "..";
        if (absolute || parent || name == "." || name == "..")
            throw EZorbError(Format(Tr("Архив \"%s\" содержит недопустимое имя файла: %s"), zipPath, QuoteReply(path)));
        entries.push_back({static_cast<zip_uint64_t>(i), name});
    }
    // Declared sizes first (cheap, and a refusal still writes nothing); the actual bytes are counted again while
    // reading, since the directory may lie.
    for (const TEntry& e : entries) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip.get(), e.Index, 0, &st) != 0) continue;
        const bool sized = (st.valid & ZIP_STAT_SIZE) != 0, packed = (st.valid & ZIP_STAT_COMP_SIZE) != 0;
        if (sized && st.size > limits.MaxEntryBytes) throw TooLarge(zipPath, e.Name, limits);
        if (sized && packed && st.size > limits.RatioFreeBytes &&
            st.size / std::max<zip_uint64_t>(st.comp_size, 1) > limits.MaxRatio)
            throw EZorbError(Format(Tr("Архив \"%s\": файл %s сжат с недопустимой степенью (%d : 1)"), zipPath,
                                    QuoteReply(e.Name),
                                    static_cast<int64_t>(st.size / std::max<zip_uint64_t>(st.comp_size, 1))));
    }
    // Every entry streams into a temporary file beside its target; the targets are replaced only when all have
    // been read, so a refusal half way leaves the directory as it was.
    std::vector<std::unique_ptr<TAtomicFileWriter>> files;
    std::vector<std::string> written;
    for (const TEntry& e : entries) {
        std::unique_ptr<zip_file_t, TZipFileClose> file(zip_fopen_index(zip.get(), e.Index, 0));
        if (!file)
            throw EZorbError(
                Format(Tr("Не удалось прочитать \"%s\" из архива: %s"), QuoteReply(e.Name), zip_strerror(zip.get())));
        const std::string target = JoinPath(dir, e.Name);
        auto out = std::make_unique<TAtomicFileWriter>(target);
        zip_uint64_t total = 0;
        std::vector<char> buf(65536);
        for (;;) {
            const zip_int64_t n = zip_fread(file.get(), buf.data(), buf.size());
            if (n < 0) throw EZorbError(Format(Tr("Не удалось прочитать \"%s\" из архива"), QuoteReply(e.Name)));
            if (n == 0) break;
            total += static_cast<zip_uint64_t>(n);
            if (total > limits.MaxEntryBytes) throw TooLarge(zipPath, e.Name, limits);
            out->Write(std::string_view(buf.data(), static_cast<size_t>(n)));
        }
        files.push_back(std::move(out));
        written.push_back(target);
    }
    for (auto& f : files) f->Commit();
    return written;
}

} // namespace zorb
