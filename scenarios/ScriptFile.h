// Scenario files (*.lsc) and the scenario state file: one scenario line per text line, CR LF, separators as
// empty lines. Written as UTF-8 through a temporary file and a rename; read as UTF-8 (a BOM dropped) or, when
// the bytes are not UTF-8, as code page 1251, with LF alone accepted as a line end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace zorb {

// Files beyond this size are refused rather than read into memory.
constexpr int64_t MaxScenarioFileBytes = 64 << 20;
// Scenarios of more lines are refused: nobody edits or runs more, and every view of a line costs memory.
constexpr size_t MaxScenarioLines = 100000;

// The lines of a scenario held compactly: one text of the lines one after another and where each ends, so a line
// costs its bytes and four more (a file of millions of short lines would otherwise take tens of bytes each).
// Lines are read by value; changing one line in the middle rewrites the text after it.
class TScriptLines {
public:
    TScriptLines() = default;
    TScriptLines(std::initializer_list<std::string_view> lines);

    size_t size() const { return FEnds.size(); }
    bool empty() const { return FEnds.empty(); }
    std::string_view View(size_t i) const;
    std::string operator[](size_t i) const { return std::string(View(i)); }
    std::string back() const { return (*this)[size() - 1]; }

    void push_back(std::string_view line);
    void emplace_back() { push_back({}); }
    void Set(size_t i, std::string_view line);
    void Swap(size_t i, size_t j);
    // Removes the rows given in ascending order (rows outside the scenario are ignored).
    void Erase(const std::vector<int>& rows);
    void Append(const TScriptLines& other);
    void clear();
    bool operator==(const TScriptLines&) const = default;

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;
        const_iterator(const TScriptLines* lines, size_t i) : FLines(lines), FI(i) {}
        std::string operator*() const { return (*FLines)[FI]; }
        const_iterator& operator++() {
            ++FI;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return FI == o.FI; }

    private:
        const TScriptLines* FLines;
        size_t FI;
    };
    using iterator = const_iterator;
    using value_type = std::string;
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    size_t Begin(size_t i) const { return i ? FEnds[i - 1] : 0; }
    std::string FText;
    std::vector<uint32_t> FEnds;
};

// Raises EZorbError for more than MaxScenarioLines lines.
TScriptLines ParseScenarioText(const std::string& bytes);
// The message of a scenario that would have too many lines.
std::string TooManyLinesText(size_t lines);
std::string ScenarioText(const TScriptLines& lines);
// Both raise EZorbError with the reason (also for more than MaxScenarioLines lines).
TScriptLines ReadScenarioFile(const std::string& path);
void WriteScenarioFile(const std::string& path, const TScriptLines& lines);

// The append rule: nothing for an empty addition; a separator first when the scenario's last line is not one.
// Raises EZorbError, changing nothing, when the result would have more than MaxScenarioLines lines.
void AppendScenarioLines(TScriptLines& scenario, const TScriptLines& added);

// A line as it can be stored: line breaks would split it on reading, so they become spaces.
std::string StorableLine(std::string line);

} // namespace zorb
