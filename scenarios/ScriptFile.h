// Scenario files (*.lsc) and the scenario state file: one scenario line per text line, CR LF, separators as
// empty lines. Written as UTF-8 through a temporary file and a rename; read as UTF-8 (a BOM dropped) or, when
// the bytes are not UTF-8, as code page 1251, with LF alone accepted as a line end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorb {

using TScriptLines = std::vector<std::string>;

// Files beyond this size are refused rather than read into memory.
constexpr int64_t MaxScenarioFileBytes = 64 << 20;

TScriptLines ParseScenarioText(const std::string& bytes);
std::string ScenarioText(const TScriptLines& lines);
// Both raise EZorbError with the reason.
TScriptLines ReadScenarioFile(const std::string& path);
void WriteScenarioFile(const std::string& path, const TScriptLines& lines);

// The append rule: nothing for an empty addition; a separator first when the scenario's last line is not one.
void AppendScenarioLines(TScriptLines& scenario, const TScriptLines& added);

// A line as it can be stored: line breaks would split it on reading, so they become spaces.
std::string StorableLine(std::string line);

} // namespace zorb
