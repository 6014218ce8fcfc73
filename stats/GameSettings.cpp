#include "stats/GameSettings.h"

#include "core/Format.h"
#include "core/IniFile.h"

#include <algorithm>

namespace zorb {

std::array<uint8_t, 52> TConfigData::DefaultSegments() {
    std::array<uint8_t, 52> s;
    s.fill(1);
    return s;
}

std::array<uint8_t, 52> ParseSegments(const std::string& text) {
    std::array<uint8_t, 52> s = TConfigData::DefaultSegments();
    for (size_t i = 0; i < s.size() && i < text.size(); ++i)
        if (text[i] >= '0' && text[i] <= '9') s[i] = static_cast<uint8_t>(text[i] - '0');
    return s;
}

std::string SegmentsText(const std::array<uint8_t, 52>& segments) {
    std::string r;
    for (uint8_t v : segments) r += std::to_string(v);
    return r;
}

// Money is read as a decimal amount and refused (default 0) unless it lies in [0, hi].
static Currency ReadMoney(const TIniFile& ini, const std::string& section, const std::string& key, double hi) {
    return CurrencyFromDouble(ini.ReadFloat(section, key, 0, 0, hi));
}

TConfigData LoadConfig(const std::string& iniPath) {
    TIniFile ini(iniPath);
    ini.Load();
    TConfigData c;
    c.MatrixCols = ini.ReadInteger("GLOBAL", "MatrixCols", c.MatrixCols, MinMatrixCols, MaxMatrixCols);
    c.MatrixSegments = ParseSegments(ini.ReadString("GLOBAL", "MatrixSegments", ""));
    c.ChannelSize = ini.ReadInteger("GLOBAL", "ChannelSize", c.ChannelSize, MinChannelSize, MaxChannelSize);
    c.ResultsArchiveUrl = ini.ReadString("GLOBAL", "ResultsArchiveUrl", "");
    c.Cost = ReadMoney(ini, "STAKES", "Cost", MaxStakeCost);
    c.MaxStake = ini.ReadInteger("STAKES", "MaxStake", c.MaxStake, MinExtendedStake, MaxExtendedStake);
    // The count bounds what is allocated; a row whose match count is unreadable is dropped rather than taken
    // as the prize for 0 matches.
    const int profits = ini.ReadInteger("STAKES", "Profits", 0, 0, MaxProfitRows);
    for (int i = 0; i < profits; ++i) {
        const int overlap = ini.ReadInteger("STAKES", Format("Profit_%d_Overlap", i), -1, 0, NumbersPerDraw);
        if (overlap < 0) continue;
        c.Profits.push_back(
            {static_cast<uint8_t>(overlap), ReadMoney(ini, "STAKES", Format("Profit_%d_Profit", i), MaxPrize)});
    }
    c.Weights.Count = ini.ReadFloat("CDL", "Count", c.Weights.Count, -MaxWeight, MaxWeight);
    c.Weights.Deviation = ini.ReadFloat("CDL", "Deviation", c.Weights.Deviation, -MaxWeight, MaxWeight);
    c.Weights.Level = ini.ReadFloat("CDL", "Level", c.Weights.Level, -MaxWeight, MaxWeight);
    c.Weights.UsePercents = ini.ReadInteger("CDL", "UsePercents", 0) > 0;
    c.Weights.UseAbsValues = ini.ReadInteger("CDL", "UseAbsValues", 0) > 0;
    return c;
}

void SaveConfig(const std::string& iniPath, const TConfigData& c) {
    TIniFile ini(iniPath);
    ini.Load();
    ini.WriteInteger("GLOBAL", "MatrixCols", c.MatrixCols);
    ini.WriteString("GLOBAL", "MatrixSegments", SegmentsText(c.MatrixSegments));
    ini.WriteInteger("GLOBAL", "ChannelSize", c.ChannelSize);
    ini.WriteString("GLOBAL", "ResultsArchiveUrl", c.ResultsArchiveUrl);
    ini.WriteFloat("STAKES", "Cost", CurrencyToDouble(c.Cost));
    ini.WriteInteger("STAKES", "MaxStake", c.MaxStake);
    // Rows beyond the new count would otherwise linger in the file.
    int old = ini.ReadInteger("STAKES", "Profits", 0, 0, MaxProfitRows);
    for (int i = static_cast<int>(c.Profits.size()); i < old; ++i) {
        ini.DeleteKey("STAKES", Format("Profit_%d_Overlap", i));
        ini.DeleteKey("STAKES", Format("Profit_%d_Profit", i));
    }
    ini.WriteInteger("STAKES", "Profits", static_cast<int>(c.Profits.size()));
    for (size_t i = 0; i < c.Profits.size(); ++i) {
        ini.WriteInteger("STAKES", Format("Profit_%d_Overlap", i), c.Profits[i].Overlap);
        ini.WriteFloat("STAKES", Format("Profit_%d_Profit", i), CurrencyToDouble(c.Profits[i].Profit));
    }
    ini.WriteFloat("CDL", "Count", c.Weights.Count);
    ini.WriteFloat("CDL", "Deviation", c.Weights.Deviation);
    ini.WriteFloat("CDL", "Level", c.Weights.Level);
    ini.WriteInteger("CDL", "UsePercents", c.Weights.UsePercents ? 1 : 0);
    ini.WriteInteger("CDL", "UseAbsValues", c.Weights.UseAbsValues ? 1 : 0);
    ini.Save();
}

TShreddingData LoadShredding(const std::string& iniPath) {
    TIniFile ini(iniPath);
    ini.Load();
    TShreddingData d;
    for (int i = 0; i < 3; ++i) {
        d.Formulas[i] = ini.ReadString("SHREDDING", Format("Formula%d", i + 1), d.Formulas[i]);
        // A count beyond the range is clamped to it rather than wrapped into the byte (258 reads 5, not 2).
        const int digits = ini.ReadInteger("SHREDDING", Format("Formula%dDigits", i + 1), d.Digits[i]);
        d.Digits[i] = static_cast<uint8_t>(std::clamp(digits, MinShreddingDigits, MaxShreddingDigits));
    }
    return d;
}

void SaveShredding(const std::string& iniPath, const TShreddingData& d) {
    TIniFile ini(iniPath);
    ini.Load();
    for (int i = 0; i < 3; ++i) {
        ini.WriteString("SHREDDING", Format("Formula%d", i + 1), d.Formulas[i]);
        ini.WriteInteger("SHREDDING", Format("Formula%dDigits", i + 1), d.Digits[i]);
    }
    ini.Save();
}

TGenerateSettings LoadGenerateSettings(const std::string& iniPath) {
    TIniFile ini(iniPath);
    ini.Load();
    TGenerateSettings g;
    g.Mode = static_cast<uint8_t>(ini.ReadInteger("GLOBAL", "CombsGenerateMode", 0, 0, MaxGenerateMode));
    g.Parameters = ini.ReadString("GLOBAL", "CombsGenerateParameters", "").substr(0, 255);
    return g;
}

void SaveGenerateSettings(const std::string& iniPath, const TGenerateSettings& g) {
    TIniFile ini(iniPath);
    ini.Load();
    ini.WriteInteger("GLOBAL", "CombsGenerateMode", g.Mode);
    ini.WriteString("GLOBAL", "CombsGenerateParameters", g.Parameters.substr(0, 255));
    ini.Save();
}

} // namespace zorb
