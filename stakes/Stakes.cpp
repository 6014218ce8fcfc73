#include "stakes/Stakes.h"

#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace zorb {

void AppendStakes(TStakesFile& file, const TStakeRecord& record, int drawCount) {
    if (!file.IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    if (record.Checked) throw EZorbError(Tr("Добавление в конец файла уже проверенной ставки!"));
    // The whole series (a separator before each copy at most) must fit before its first record is written.
    file.EnsureRoom((drawCount <= 1 ? 1 : 2 * static_cast<int64_t>(drawCount)) * static_cast<int64_t>(StakeRecordSize));
    if (drawCount <= 1) {
        file.Append(record);
        return;
    }
    for (int i = 0; i < drawCount; ++i) {
        AppendSeparatorAfterStake(file);
        TStakeRecord copy = record;
        copy.DrawNumber = record.DrawNumber + i;
        file.Append(copy);
    }
}

void AppendSeparatorAfterStake(TStakesFile& file) {
    if (!file.IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    if (file.Empty()) return;
    if (file.Read(2, -1).DrawNumber > 0) file.Append(SeparatorRecord());
}

bool FindStake(TStakesFile& file, int drawNumber, const TNumberSet& numbers) {
    if (!file.IsOpen()) throw EZorbError(Tr("Файл ставок не открыт!"));
    for (int64_t i = 0; i < file.Count(); ++i) {
        const TStakeRecord r = file.Read(i);
        if (r.DrawNumber == drawNumber && SameSet(r.Numbers, numbers)) return true;
    }
    return false;
}

bool CheckStakes(TStakesFile& file, const TDrawsArray& draws, const TStatList& stats, const TCheckCallbacks& cb,
                 int64_t from) {
    if (!file.IsOpen() || file.Empty()) return false;
    const int64_t total = file.Count();
    bool any = false;
    int64_t firstEligible = -1;
    int lastPercent = -1;
    for (int64_t i = std::max<int64_t>(from, 0); i < total; ++i) {
        TStakeRecord r = file.Read(i);
        const bool eligible = !r.Checked && r.DrawNumber > 0 && r.Numbers.Count >= 6;
        if (eligible && firstEligible < 0) firstEligible = i;
        if (eligible) {
            const int index = FindDraw(draws, r.DrawNumber);
            if (index >= 0) {
                const TDrawRec& d = draws[static_cast<size_t>(index)];
                r.Checked = true;
                std::copy(d.Numbers, d.Numbers + 6, r.DrawResult);
                TNumberSet numbers = r.Numbers;
                numbers.Count = std::clamp(numbers.Count, 0, MaxStakeNumbers);
                r.Matched = Intersect(d, numbers);
                r.Profit = stats.StakeProfit(numbers.Count, r.Matched.Count);
                file.Write(0, i, r);
                any = true;
                if (cb.OnChecked) cb.OnChecked(r);
            }
        }
        // Progress counts from the first stake there is work for.
        const int64_t k = firstEligible < 0 ? i + 1 : i - firstEligible;
        const int64_t range = firstEligible < 0 ? total : total - firstEligible - 1;
        if (cb.Progress && range > 0 && k > 0 && k % std::max<int64_t>(1, range / 100) == 0) {
            const int percent = static_cast<int>(100 * k / range);
            if (percent != lastPercent) {
                lastPercent = percent;
                cb.Progress(100.0 * static_cast<double>(k) / static_cast<double>(range));
            }
        }
    }
    return any;
}

void RewriteStakes(TStakesFile& file, const std::string& tmpPath,
                   const std::function<bool(int64_t, const TStakeRecord&)>& keep) {
    if (!file.IsOpen() || file.Empty()) throw EZorbError(Tr("Файл ставок не открыт!"));
    const std::string path = file.Path();
    {
        // Streamed to the temporary file, which is then made durable before it replaces the stakes file.
        const int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) throw EZorbError(Format(Tr("Не удалось создать файл \"%s\": %s"), tmpPath, SystemErrorText(errno)));
        std::string buffer;
        auto flush = [&] {
            if (!WriteAll(fd, buffer.data(), buffer.size())) return false;
            buffer.clear();
            return true;
        };
        bool ok = true;
        try {
            for (int64_t i = 0; i < file.Count() && ok; ++i) {
                const TStakeRecord r = file.Read(i);
                if (!keep(i, r)) continue;
                const auto bytes = EncodeStake(r);
                buffer.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
                if (buffer.size() >= (1 << 20)) ok = flush();
            }
            ok = ok && flush() && ::fsync(fd) == 0;
        } catch (...) {
            ::close(fd);
            DeleteFileIfExists(tmpPath);
            throw;
        }
        const int err = errno;
        ::close(fd);
        if (!ok) {
            DeleteFileIfExists(tmpPath);
            throw EZorbError(Format(Tr("Не удалось записать файл \"%s\": %s"), tmpPath, SystemErrorText(err)));
        }
    }
    file.Close();
    std::string error;
    if (std::rename(tmpPath.c_str(), path.c_str()) != 0)
        error = Format(Tr("Ошибка переименования / удаления временного файла ставок %s!\r\r%s"), tmpPath,
                       SystemErrorText(errno));
    file.Open(path); // also after a failed step
    DeleteFileIfExists(tmpPath);
    if (!error.empty()) throw EZorbError(error);
}

bool DropsByMatches(int condition, int value, int matchedCount) {
    switch (condition) {
    case 0: return matchedCount == value;
    case 1: return matchedCount > value;
    case 2: return matchedCount >= value;
    case 3: return matchedCount < value;
    case 4: return matchedCount <= value;
    default: return false;
    }
}

const char* MatchConditionCaption(int condition) {
    static const char* const captions[MatchConditionCount] = {"Равно [ = ]", "Более [ > ]", "Не менее [ >= ]",
                                                              "Менее [ < ]", "Не более [ <= ]"};
    return condition >= 0 && condition < MatchConditionCount ? captions[condition] : "";
}

std::string StakeLogLine(const TStakeRecord& r, const std::string& timestamp) {
    TNumberSet numbers = r.Numbers;
    numbers.Count = std::clamp(numbers.Count, 0, MaxStakeNumbers);
    TComb drawn;
    std::copy(r.DrawResult, r.DrawResult + 6, drawn.N);
    return timestamp + ": " +
           Format(Tr("Тираж № %s. Ставка: \"%s\" [%s] {%d}. Результаты тиража: [%s]. Совпадений: %d. Профит: %.2f."),
                  std::to_string(r.DrawNumber), r.Comment, NumberSetToText(numbers, ";"), r.SampleSize,
                  CombToList(drawn), r.Matched.Count, CurrencyToDouble(r.Profit));
}

std::string StakeLogPath(const std::string& dir, const std::string& programName, int matches) {
    return JoinPath(dir, Format("%s-%d.log", programName, matches));
}

std::string AppendStakeLog(const std::string& path, const std::string& line) {
    constexpr int64_t LogLimit = 268435456; // 256 MiB: a larger log starts afresh
    std::string warning;
    if (FileSize(path) > LogLimit && !DeleteFileIfExists(path))
        warning = Format(Tr("Ошибка удаления файла \"%s\"!\r\r%s"), path, SystemErrorText(errno));
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw EZorbError(Format(Tr("Ошибка записи в файл \"%s\"!\r\r%s"), path, SystemErrorText(errno)));
    const std::string text = line + "\r\n";
    const bool ok = WriteAll(fd, text.data(), text.size());
    const int err = errno;
    ::close(fd);
    if (!ok) throw EZorbError(Format(Tr("Ошибка записи в файл \"%s\"!\r\r%s"), path, SystemErrorText(err)));
    return warning;
}

} // namespace zorb
