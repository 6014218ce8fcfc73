// Scenario lines: the options word, the nine "|"-separated fields of a command line and the texts the list and
// the log show for them. A line whose text, trimmed, is empty is a separator.
#pragma once

#include "combos/FilterItem.h"

#include <array>
#include <cstdint>
#include <string>

namespace zorb {

constexpr int ScriptSourceCount = 3;
constexpr int ScriptStakeModeCount = 10;
constexpr int ScriptFieldCount = 9;

enum TScriptSource : uint8_t { ssFull = 0, ssExclude = 1, ssCurrent = 2 };
enum TScriptStakeMode : uint8_t {
    skmExtended = 0,
    skmRandom = 1,
    skmFirst = 2,
    skmLast = 3,
    skmAll = 4,
    skmSystemAll = 5,
    skmSystemCombs = 6,
    skmStop = 7,
    skmSkip = 8,
    skmNone = 9
};

struct TScriptOptions {
    int32_t ExcludeDraws = 0;
    uint8_t Source = 0;
    uint8_t StakeMode = 0;
    bool ClearStakes = false;
    bool NewOnly = false;
    bool operator==(const TScriptOptions&) const = default;
};

// Codes and captions; "# ERROR #" for an index outside the tables (codes: the first entry's).
const char* ScriptSourceCode(int source);
const char* ScriptStakeCode(int mode);
std::string SourceEditorCaption(int source);
std::string SourceListCaption(int source, int32_t excludeDraws);
std::string StakeEditorCaption(int mode);
std::string StakeListCaption(int mode);

// Reading never fails: unknown codes give index 0, an unreadable N gives 0.
TScriptOptions ParseOptions(const std::string& text);
std::string OptionsText(const TScriptOptions& options);    // EXCL:10#RAND#CLR#NEX
std::string OptionsShort(const TScriptOptions& options);   // EXCL:10#RAND#NEX, FULL#ALL (no CLR)
std::string OptionsCaption(const TScriptOptions& options); // the scenario list's "Опции"

// Why a run would refuse the options word (a negative number of draws), empty when it would not. The editor, the
// check of a scenario and a run all ask here.
std::string OptionsProblem(const TScriptOptions& options);

bool IsSeparatorLine(const std::string& line);
// Field n (1..9) of a command line, trimmed; empty when the line has fewer fields. Runs of "|" count as one
// separator, which is why an empty filter field holds a space.
std::string LineField(const std::string& line, int n);

// The parts of a command line as the editor holds them.
struct TScriptLineFields {
    std::string Options;
    std::array<std::string, MaxLineFilters> Filters;
    std::string Comment;
};
TScriptLineFields SplitLine(const std::string& line);
// Always eight "|": the options, each filter (a space when blank) followed by "|", then the comment when not blank.
std::string BuildLine(const TScriptLineFields& fields);
// A "|" or a line break in a filter or the comment would shift the fields when the line is read back.
bool LineFieldsValid(const TScriptLineFields& fields);

} // namespace zorb
