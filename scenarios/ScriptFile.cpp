#include "scenarios/ScriptFile.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "scenarios/ScriptLine.h"

namespace zorb {

TScriptLines ParseScenarioText(const std::string& bytes) {
    const std::string text = DecodeTextFile(bytes);
    TScriptLines lines;
    ForEachLine(text, [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

std::string ScenarioText(const TScriptLines& lines) {
    std::string s;
    for (const std::string& line : lines) {
        s += StorableLine(line);
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
    if (!scenario.empty() && !IsSeparatorLine(scenario.back())) scenario.emplace_back();
    scenario.insert(scenario.end(), added.begin(), added.end());
}

std::string StorableLine(std::string line) {
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

} // namespace zorb
