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

bool TScriptLog::Close() {
    if (!FFile) return true;
    // The buffer meets the disk here: a full disk shows at the flush, not at the entry that filled the buffer.
    const bool flushed = std::fflush(FFile) == 0;
    const int error = errno;
    const bool closed = std::fclose(FFile) == 0;
    FFile = nullptr;
    if (flushed && closed) return true;
    FError = SystemErrorText(flushed ? errno : error);
    FPath.clear();
    return false;
}

} // namespace zorb
