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

TConfigData LoadConfig(const std::string& iniPath) {
    TIniFile ini(iniPath);
    ini.Load();
    TConfigData c;
    c.MatrixCols = ini.ReadInteger("GLOBAL", "MatrixCols", c.MatrixCols);
    c.MatrixSegments = ParseSegments(ini.ReadString("GLOBAL", "MatrixSegments", ""));
    c.ChannelSize = ini.ReadInteger("GLOBAL", "ChannelSize", c.ChannelSize);
    c.ResultsArchiveUrl = ini.ReadString("GLOBAL", "ResultsArchiveUrl", "");
    c.Cost = CurrencyFromDouble(ini.ReadFloat("STAKES", "Cost", 0));
    c.MaxStake = ini.ReadInteger("STAKES", "MaxStake", c.MaxStake);
    // A negative or absurd count in a hand-edited file must not allocate without bound.
    int profits = std::clamp(ini.ReadInteger("STAKES", "Profits", 0), 0, 1000);
    for (int i = 0; i < profits; ++i) {
        TProfitEntry e;
        int overlap = ini.ReadInteger("STAKES", Format("Profit_%d_Overlap", i), 0);
        e.Overlap = static_cast<uint8_t>(overlap >= 0 && overlap <= 255 ? overlap : 0);
        e.Profit = CurrencyFromDouble(ini.ReadFloat("STAKES", Format("Profit_%d_Profit", i), 0));
        c.Profits.push_back(e);
    }
    c.Weights.Count = ini.ReadFloat("CDL", "Count", c.Weights.Count);
    c.Weights.Deviation = ini.ReadFloat("CDL", "Deviation", c.Weights.Deviation);
    c.Weights.Level = ini.ReadFloat("CDL", "Level", c.Weights.Level);
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
    int old = ini.ReadInteger("STAKES", "Profits", 0);
    for (int i = static_cast<int>(c.Profits.size()); i < old && i < 1000; ++i) {
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
        d.Digits[i] = static_cast<uint8_t>(ini.ReadInteger("SHREDDING", Format("Formula%dDigits", i + 1), d.Digits[i]));
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
    g.Mode = static_cast<uint8_t>(ini.ReadInteger("GLOBAL", "CombsGenerateMode", 0));
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
