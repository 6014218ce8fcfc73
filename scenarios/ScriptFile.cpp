#include "scenarios/ScriptFile.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "scenarios/ScriptLine.h"

namespace zorb {

TScriptLines::TScriptLines(std::initializer_list<std::string_view> lines) {
    for (std::string_view l : lines) push_back(l);
}

std::string_view TScriptLines::View(size_t i) const {
    return std::string_view(FText).substr(Begin(i), FEnds[i] - Begin(i));
}

void TScriptLines::push_back(std::string_view line) {
    FText.append(line);
    FEnds.push_back(static_cast<uint32_t>(FText.size()));
}

void TScriptLines::Set(size_t i, std::string_view line) {
    const std::string copy(line); // the line may be a view of this text
    const size_t b = Begin(i), e = FEnds[i];
    FText.replace(b, e - b, copy);
    const int64_t shift = static_cast<int64_t>(copy.size()) - static_cast<int64_t>(e - b);
    for (size_t k = i; k < FEnds.size(); ++k) FEnds[k] = static_cast<uint32_t>(FEnds[k] + shift);
}

void TScriptLines::Swap(size_t i, size_t j) {
    if (i == j) return;
    const std::string a(View(i)), b(View(j));
    Set(i, b);
    Set(j, a);
}

void TScriptLines::Erase(const std::vector<int>& rows) {
    TScriptLines kept;
    size_t r = 0;
    for (size_t i = 0; i < size(); ++i) {
        while (r < rows.size() && rows[r] < static_cast<int>(i)) ++r;
        if (r < rows.size() && rows[r] == static_cast<int>(i)) continue;
        kept.push_back(View(i));
    }
    *this = std::move(kept);
}

void TScriptLines::Append(const TScriptLines& other) {
    for (size_t i = 0; i < other.size(); ++i) push_back(other.View(i));
}

void TScriptLines::clear() {
    FText.clear();
    FEnds.clear();
}

std::string TooManyLinesText(size_t lines) {
    return Format(Tr("Сценарий из %d строк не может быть загружен: допускается не более %d строк."),
                  static_cast<int64_t>(lines), static_cast<int64_t>(MaxScenarioLines));
}

TScriptLines ParseScenarioText(const std::string& bytes) {
    const std::string text = DecodeTextFile(bytes);
    // Counted before anything is held, so a hostile file costs no more than its text.
    size_t count = 0;
    ForEachLine(text, [&](std::string_view) {
        ++count;
        return true;
    });
    if (count > MaxScenarioLines) throw EZorbError(TooManyLinesText(count));
    TScriptLines lines;
    ForEachLine(text, [&](std::string_view line) {
        lines.push_back(line);
        return true;
    });
    return lines;
}

std::string ScenarioText(const TScriptLines& lines) {
    std::string s;
    for (size_t i = 0; i < lines.size(); ++i) {
        s += StorableLine(std::string(lines.View(i)));
        s += "\r\n";
    }
    return s;
}

TScriptLines ReadScenarioFile(const std::string& path) {
    const int64_t size = FileSize(path);
    if (size > MaxScenarioFileBytes)
        throw EZorbError(Format(Tr("Размер файла превышает %d МБ."), static_cast<int>(MaxScenarioFileBytes >> 20)));
    return ParseScenarioText(ReadFileBytes(path));
}

void WriteScenarioFile(const std::string& path, const TScriptLines& lines) {
    WriteFileAtomic(path, ScenarioText(lines));
}

void AppendScenarioLines(TScriptLines& scenario, const TScriptLines& added) {
    if (added.empty()) return;
    const bool separator = !scenario.empty() && !IsSeparatorLine(scenario.back());
    const size_t total = scenario.size() + added.size() + (separator ? 1 : 0);
    if (total > MaxScenarioLines) throw EZorbError(TooManyLinesText(total));
    if (separator) scenario.emplace_back();
    scenario.Append(added);
}

std::string StorableLine(std::string line) {
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

} // namespace zorb
