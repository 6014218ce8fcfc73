// Filter descriptions: how to apply one statistic method as a filter without a user at the keyboard, in a form
// that is stored as one line of text ("TSD1#NUMS:1000#LNO:#SF:1"), and the concrete variants that scenario runs
// expand them into.
#pragma once

#include <array>
#include <string>

namespace zorb {

class TStatList;

constexpr int LevelModeCount = 32;
constexpr int StopModeCount = 7;
constexpr int MaxLineFilters = 7;

// Row-selection modes and stop modes: code and caption; "# ERROR #" outside the tables.
const char* LevelModeCode(int mode);
const char* StopModeCode(int mode);
std::string ModeCaption(int mode);
std::string StopCaption(int mode);

enum TStopMode : int {
    smAll = 0,
    smCombs = 1,
    smNumbers = 2,
    smUntilEmpty = 3,
    smSteps = 4,
    smValue = 5,
    smPercent = 6
};
enum TLevelMode : int { lmNone = 0, lmWeightMin = 19, lmWeightMax = 20, lmWeightList = 21, lmValues = 31 };

struct TFilterItem {
    bool Defined = false;
    std::string MethodText;
    int Method = -1; // registry entry, -1 when none
    std::string Lengths;
    int SortColumn = 0;
    bool BottomUp = false;
    bool MultiSelect = false;
    bool Keep = false;
    uint8_t LevelMode = 0;
    std::string LevelValues;
    bool OwnWeights = false;
    double WeightCount = 0;
    double WeightDeviation = 0;
    double WeightLevel = 0;
    bool WeightPercents = false;
    bool WeightAbs = false;
    uint8_t StopMode = 0;
    int32_t StopValue = 0;
};

// The text form; reading never fails (unknown codes give index 0, unreadable numbers their defaults).
std::string FilterText(const TFilterItem& item, const TStatList& list);
TFilterItem ParseFilter(const std::string& text, const TStatList& list);

// Reals of the text form: the shortest decimal that reads back to the same value, "." as the point, no exponent;
// read back keeping only "-", digits, "." and ",".
std::string FilterRealText(double v);
double ParseFilterReal(const std::string& text);

// One concrete case of a description: a single window length and, for the comparing modes, a single value.
struct TFilterPart {
    bool Defined = false;
    int Method = -1;
    int WindowLength = 0;
    int SortColumn = 0;
    bool BottomUp = false;
    bool MultiSelect = false;
    bool Keep = false;
    uint8_t LevelMode = 0;
    std::string LevelValue; // what the rows are compared with
    std::string LevelText;  // what the text form shows
    bool OwnWeights = false;
    double WeightCount = 0;
    double WeightDeviation = 0;
    double WeightLevel = 0;
    bool WeightPercents = false;
    bool WeightAbs = false;
    uint8_t StopMode = 0;
    int32_t StopValue = 0;
};

// The variants of one scenario line, one per filter.
using TFilterRec = std::array<TFilterPart, MaxLineFilters>;

std::string FilterPartText(const TFilterPart& part, const TStatList& list);
std::string FilterRecText(const TFilterRec& rec, const TStatList& list); // defined parts joined with " + "

} // namespace zorb
