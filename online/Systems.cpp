#include "online/Systems.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/OnlineWire.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace zorb {

namespace {
constexpr std::string_view Separators = " *+,-./:;=\\_|~";
}

std::string SystemFileName(int nums, int olap, int id) {
    return Format("%d-%.2d-%d_%.4d.dat", 6, nums, olap, id);
}

std::vector<std::string> SystemFilesFor(const std::string& systemsDir, int n) {
    std::vector<std::string> names;
    const std::string prefix = Format("%d-%.2d-", 6, n);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(systemsDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // "6-NN-*_*.dat": a block, an underscore, an id.
        if (name.size() < prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".dat") != 0 || name.find('_', prefix.size()) == std::string::npos)
            continue;
        std::error_code fec;
        if (!it->is_regular_file(fec)) continue;
        names.push_back(JoinPath(systemsDir, name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string FindSystemFile(const std::string& systemsDir, int n) {
    const auto files = SystemFilesFor(systemsDir, n);
    return files.empty() ? std::string() : files.front();
}

bool ParseSystemLine(std::string_view line, TComb& positions) {
    const auto words = SplitWords(line, Separators);
    if (words.size() != 6) return false;
    for (int i = 0; i < 6; ++i) {
        int32_t v = 0;
        if (words[i].size() > 3 || !TryStrToInt(words[i], v) || v < 0 || v > 255) return false;
        positions.N[i] = static_cast<uint8_t>(v);
    }
    return true;
}

std::vector<std::string> SystemTextLines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachLine(text, [&](std::string_view l) {
        lines.emplace_back(l);
        return true;
    });
    return lines;
}

std::vector<TComb> ParseSystemLines(const std::vector<std::string>& lines, int n) {
    std::vector<TComb> combs;
    combs.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        TComb c{};
        bool good = ParseSystemLine(lines[i], c);
        uint64_t seen = 0;
        for (int k = 0; good && k < 6; ++k) {
            good = c.N[k] >= 1 && c.N[k] <= n && !(seen >> c.N[k] & 1);
            seen |= 1ull << (c.N[k] & 63);
        }
        if (!good)
            throw EZorbError(Format(Tr("Строка %d системы ( %s ): нужны шесть разных позиций от 1 до %d"),
                                    static_cast<int>(i + 1), lines[i].substr(0, 80), n));
        combs.push_back(c);
    }
    return combs;
}

std::string WriteSystemFile(const std::string& systemsDir, const tSystemInfo& info, const std::string& text) {
    const auto lines = SystemTextLines(text);
    if (text.empty() || static_cast<int>(lines.size()) != info.CSize)
        throw EZorbError(Format(Tr("Количество скачанных комбинаций ( %d ) отличается от ожидаемого значения ( %d )"),
                                static_cast<int>(lines.size()), info.CSize));
    if (info.Nums < 7 || info.Nums > 52 || info.Olap > 5 || info.Id <= 0)
        throw EZorbError(Format(Tr("Недопустимые свойства системы #%d"), info.Id));
    ParseSystemLines(lines, info.Nums);
    ForceDirectories(systemsDir);
    const std::string path = JoinPath(systemsDir, SystemFileName(info.Nums, info.Olap, info.Id));
    WriteFileAtomic(path, Join(lines, "\r\n") + "\r\n");
    if (info.Created > 0) {
        // Linux keeps no settable creation time; the last-write time carries the server's date.
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(LocalToUnixSeconds(info.Created));
        times[0].tv_nsec = times[1].tv_nsec = 0;
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    for (const auto& other : SystemFilesFor(systemsDir, info.Nums))
        if (other != path) DeleteFileIfExists(other);
    return path;
}

TSystemLoad LoadSystemCombinations(const std::string& systemsDir, const TByteArray& numbers) {
    TSystemLoad r;
    const int n = static_cast<int>(numbers.size());
    r.FileName = n >= 7 && n <= 52 ? FindSystemFile(systemsDir, n) : std::string();
    if (r.FileName.empty()) {
        r.Failure = Format(Tr("Система для %d чисел не найдена или не загружена на компьютер!"), n);
        r.Message = Format(Tr("Система для %d чисел не найдена или не загружена на компьютер!\r\rПеред системной "
                              "игрой необходимо предварительно загрузить системы на Ваш компьютер через меню "
                              "\"Системы\" - \"Загрузить\"."),
                           n);
        return r;
    }
    try {
        std::vector<std::string> lines;
        ForEachFileLine(r.FileName, [&](std::string_view l) {
            if (!Trim(l).empty()) lines.emplace_back(l);
            return lines.size() <= 100000;
        });
        if (lines.size() > 100000) throw EZorbError(Tr("Слишком много строк в файле системы"));
        for (const TComb& p : ParseSystemLines(lines, n)) {
            TComb c{};
            for (int k = 0; k < 6; ++k) c.N[k] = numbers[p.N[k] - 1];
            r.Combs.push_back(c);
        }
    } catch (const std::exception& e) {
        r.Combs.clear();
        r.Failure = Format(Tr("Ошибка загрузки комбинаций системы!\r\r%s"), ErrorText(e));
        r.Message = r.Failure;
        return r;
    }
    r.Ok = !r.Combs.empty();
    if (!r.Ok) r.Failure = r.Message = Format(Tr("Ошибка загрузки комбинаций системы!\r\r%s"), r.FileName);
    return r;
}

std::string NormaliseSystemText(std::string_view text, int& nums, int& csize) {
    const auto lines = SystemTextLines(text);
    std::vector<std::string> kept;
    int largest = 0;
    for (size_t i = lines.size(); i-- > 0;) {
        TComb c{};
        if (Trim(lines[i]).empty() || !ParseSystemLine(lines[i], c)) continue;
        std::string line;
        for (int k = 0; k < 6; ++k) {
            if (k) line += ' ';
            line += Format("%.2d", static_cast<int>(c.N[k]));
            largest = std::max<int>(largest, c.N[k]);
        }
        kept.push_back(std::move(line));
    }
    std::reverse(kept.begin(), kept.end());
    nums = largest;
    csize = static_cast<int>(kept.size());
    return Join(kept, "\r\n");
}

std::string CheckSystemData(const tSystemData& data, const std::string& numsText, const std::string& olapText) {
    auto number = [](const std::string& t) {
        int32_t v = 0;
        return Trim(t).empty() ? 0 : TryStrToInt(Trim(t), v) ? v : -1;
    };
    if (Trim(data.Info.Title).empty()) return Tr("Название системы должно быть указано обязательно!");
    const int nums = number(numsText), olap = number(olapText);
    if (nums < 7 || nums > 52) return Tr("Указано недопустмое количество используемых чисел!");
    if (olap < 0 || olap > 5) return Tr("Указан недопустмый размер блока!");
    if (Trim(data.Info.Author).empty()) return Tr("Имя автора должно быть указано обязательно!");
    if (Trim(data.Info.Descr).empty()) return Tr("Описание системы должно быть указано обязательно!");
    if (Trim(data.Combs).empty()) return Tr("Содержимое системы должно быть указано обязательно!");
    return "";
}

} // namespace zorb
