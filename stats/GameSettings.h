// Game settings of the "Zorb_6x52.ini" file: GLOBAL, STAKES, CDL and SHREDDING. Every operation opens the file
// afresh, so that sections written by other parts of the program in between are kept.
#pragma once

#include "core/KestoUtils.h"

#include <array>
#include <string>
#include <vector>

namespace zorb {

// What the settings dialogs let the user enter; a stored value outside its range reads as the default.
constexpr int MinMatrixCols = 1, MaxMatrixCols = 52;
constexpr int MinChannelSize = 3, MaxChannelSize = 52;
constexpr int MinExtendedStake = 7; // up to MaxExtendedStake
constexpr int MaxProfitRows = 1000;
constexpr double MaxStakeCost = 1e9; // times C(12, 6) stays far inside the 64-bit amount
constexpr double MaxPrize = 1e12;
constexpr double MaxWeight = 1e6; // weight coefficients lie in [-MaxWeight, MaxWeight]
constexpr int MinShreddingDigits = 1, MaxShreddingDigits = 5; // digits beyond 5 do not fit the value
constexpr int MaxGenerateMode = 4;

struct TWeights {
    double Count = 0.0;
    double Deviation = -1.0;
    double Level = 1.0;
    bool UsePercents = false;
    bool UseAbsValues = false;
    bool operator==(const TWeights&) const = default;
};

struct TProfitEntry {
    uint8_t Overlap = 0;
    Currency Profit = 0;
    bool operator==(const TProfitEntry&) const = default;
};

struct TConfigData {
    int MatrixCols = 7;
    int ChannelSize = 4;
    Currency Cost = 0;
    int MaxStake = 10;
    std::vector<TProfitEntry> Profits;
    TWeights Weights;
    std::array<uint8_t, 52> MatrixSegments = DefaultSegments(); // index = number - 1
    std::string ResultsArchiveUrl;                              // where the operator publishes its results archive

    static std::array<uint8_t, 52> DefaultSegments();
    bool operator==(const TConfigData&) const = default;
};

struct TShreddingData {
    std::array<std::string, 3> Formulas = {"(n1+n2+n3)/(n4+n5+n6)", "(n4+n5+n6)/(n1+n2+n3)", "(n1+n3+n5)/(n2+n4+n6)"};
    std::array<uint8_t, 3> Digits = {2, 2, 2};
    bool operator==(const TShreddingData&) const = default;
};

struct TGenerateSettings {
    uint8_t Mode = 0;
    std::string Parameters; // at most 255 characters
    bool operator==(const TGenerateSettings&) const = default;
};

// "MatrixSegments": digit i is the segment of number i; a missing or non-digit character gives segment 1.
std::array<uint8_t, 52> ParseSegments(const std::string& text);
std::string SegmentsText(const std::array<uint8_t, 52>& segments);

// Loading never fails on content (bad keys take their defaults) but raises when the file cannot be read.
TConfigData LoadConfig(const std::string& iniPath);
void SaveConfig(const std::string& iniPath, const TConfigData& config);
TShreddingData LoadShredding(const std::string& iniPath);
void SaveShredding(const std::string& iniPath, const TShreddingData& data);
TGenerateSettings LoadGenerateSettings(const std::string& iniPath);
void SaveGenerateSettings(const std::string& iniPath, const TGenerateSettings& data);

} // namespace zorb
