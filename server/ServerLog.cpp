#include "server/ServerLog.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace zorb::server {

namespace {

std::mutex LogLock;
std::function<void(TLogLevel, const std::string&)> Sink;

const char* LevelWord(TLogLevel level) {
    switch (level) {
    case TLogLevel::Error: return "error";
    case TLogLevel::Warning: return "warning";
    case TLogLevel::Info: break;
    }
    return "info";
}

} // namespace

void SetLogSink(std::function<void(TLogLevel, const std::string&)> sink) {
    std::lock_guard lock(LogLock);
    Sink = std::move(sink);
}

void Log(TLogLevel level, const std::string& text) {
    // A line break inside the text would start a new journal entry without a priority.
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::lock_guard lock(LogLock);
    if (Sink) return Sink(level, line);
    static const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
    if (journal) {
        std::fprintf(stderr, "<%d>%s\n", static_cast<int>(level), line.c_str());
    } else {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        std::fprintf(stderr, "%s zorb-server %s: %s\n", stamp, LevelWord(level), line.c_str());
    }
    std::fflush(stderr);
}

} // namespace zorb::server
