#include "scenarios/ScriptLog.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

namespace zorb {

namespace {

std::string LocalTime(std::time_t t, const char* pattern) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, pattern, &tm);
    return buf;
}

} // namespace

std::string ScriptLogName(std::time_t t) {
    return "ScriptLog_" + LocalTime(t, "%Y-%m-%d-%H-%M-%S") + ".txt";
}

std::string ScriptLogStamp(std::time_t t) {
    return LocalTime(t, "[%Y-%m-%d %H:%M:%S]: ");
}

void TScriptLog::Start(const std::string& path) {
    Close();
    FPath = path;
    FError.clear();
}

bool TScriptLog::Write(const std::string& text) {
    if (FPath.empty()) return true;
    if (!FFile) {
        FFile = std::fopen(FPath.c_str(), "ab");
        if (!FFile) {
            FError = SystemErrorText(errno);
            FPath.clear();
            return false;
        }
        std::setvbuf(FFile, nullptr, _IOFBF, 1 << 16);
    }
    const std::time_t now = std::time(nullptr);
    if (now != FStampTime) {
        FStampTime = now;
        FStamp = ScriptLogStamp(now);
    }
    if (std::fputs(FStamp.c_str(), FFile) < 0 || std::fwrite(text.data(), 1, text.size(), FFile) != text.size() ||
        std::fputs("\r\n", FFile) < 0) {
        FError = SystemErrorText(errno);
        std::fclose(FFile);
        FFile = nullptr;
        FPath.clear();
        return false;
    }
    return true;
}

void TScriptLog::Close() {
    if (FFile) {
        std::fclose(FFile);
        FFile = nullptr;
    }
}

bool LoadSystemCombinations(const std::string& dir, const TByteArray& numbers, TCombsArray& combs,
                            std::string& file, std::string& error) {
    combs.Clear();
    file.clear();
    const int n = static_cast<int>(numbers.size());
    const std::string prefix = Format("6-%.2d-", n);
    std::vector<std::string> found;
    std::error_code ec;
    if (DirectoryExists(dir))
        for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(prefix, 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".dat" &&
                name.find('_', prefix.size()) != std::string::npos && e.is_regular_file(ec))
                found.push_back(e.path().string());
        }
    if (found.empty()) {
        error = Format(Tr("Система для %d чисел не найдена или не загружена на компьютер!"), n);
        return false;
    }
    std::sort(found.begin(), found.end()); // the listing order is the platform's; sorted it is stable
    file = found.front();
    try {
        const std::string text = ReadFileBytes(file);
        bool bad = false;
        ForEachLine(text, [&](std::string_view line) {
            if (Trim(line).empty()) return true;
            const auto words = SplitWords(line, " \t,;");
            TComb c{};
            bool ok = words.size() == 6;
            for (size_t i = 0; ok && i < 6; ++i) {
                int32_t p;
                ok = TryStrToInt(Trim(words[i]), p) && p >= 1 && p <= n;
                if (ok) c.N[i] = numbers[static_cast<size_t>(p - 1)];
            }
            if (!ok) {
                bad = true;
                error = Format(Tr("Ошибка загрузки комбинаций системы!\r\r%s"), std::string(line.substr(0, 200)));
                return false;
            }
            combs.Append(c);
            return true;
        });
        if (bad) return false;
    } catch (const std::exception& e) {
        error = Format(Tr("Ошибка загрузки комбинаций системы!\r\r%s"), ErrorText(e));
        return false;
    }
    if (combs.Empty()) {
        error = Format(Tr("Система для %d чисел не найдена или не загружена на компьютер!"), n);
        return false;
    }
    return true;
}

} // namespace zorb
