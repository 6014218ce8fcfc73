#include "app/FormSettings.h"

#include "core/Format.h"
#include "core/IniFile.h"

#include <cstdint>

namespace zorb {

const std::array<const char*, 10> PersistedLists = {"lvDraws",  "lvCombs",        "lvFilters", "lvDrawsStat",
                                                    "sgStakes", "lvRatings",      "lvTables",  "lvSystems",
                                                    "lvScript", "lvOnlineScripts"};

const std::vector<TBoolOption>& BoolOptions() {
    static const std::vector<TBoolOption> options = {
        {"WeekChartType", &TFormSettings::WeekChartType},
        {"AutoUpdates", &TFormSettings::AutoUpdates},
        {"ScriptLogEnabled", &TFormSettings::ScriptLogEnabled},
        {"StakesLogEnabled", &TFormSettings::StakesLogEnabled},
        {"StakesScrollEnabled", &TFormSettings::StakesScrollEnabled},
        {"StakesCheckOnLine", &TFormSettings::StakesCheckOnLine},
        {"ColorDraws", &TFormSettings::ColorDraws},
        {"ColorCombs", &TFormSettings::ColorCombs},
        {"ColorCard", &TFormSettings::ColorCard},
        {"ColorCardSequences", &TFormSettings::ColorCardSequences},
        {"LayoutGradient", &TFormSettings::LayoutGradient},
        {"SortedDraws", &TFormSettings::SortedDraws},
        {"PrefetchsEnabled", &TFormSettings::PrefetchsEnabled},
        {"PrefetchsInit", &TFormSettings::PrefetchsInit},
        {"ShowTotalLine", &TFormSettings::ShowTotalLine},
        {"ScriptLibraryOn", &TFormSettings::ScriptLibraryOn},
        {"SystemsEnabled", &TFormSettings::SystemsEnabled},
        {"TabGraphs", &TFormSettings::TabGraphs},
        {"TabCard", &TFormSettings::TabCard},
        {"TabLayout", &TFormSettings::TabLayout},
        {"TabWeek", &TFormSettings::TabWeek},
        {"TabTables", &TFormSettings::TabTables},
        {"FirstRun", &TFormSettings::FirstRun},
    };
    return options;
}

const char* OptionKey(bool TFormSettings::*field) {
    for (const TBoolOption& o : BoolOptions())
        if (o.Field == field) return o.Key;
    return nullptr;
}

void TFormSettings::Load(const TIniFile& ini, const std::string& s) {
    auto i = [&](const char* key, int& v, int lo, int hi) { v = ini.ReadInteger(s, key, v, lo, hi); };
    // Lengths are draw counts as the length fields take them; sizes are checked against the screen again
    // where they are applied.
    i("LeftPanelWidth", LeftPanelWidth, 1, MaxStoredPixels);
    i("DrawsExclude", DrawsExclude, 0, INT32_MAX);
    i("DrawsStatLen", DrawsStatLen, 1, INT32_MAX);
    i("DrawsStatHeight", DrawsStatHeight, 1, MaxStoredPixels);
    i("DrawsGraphLen", DrawsGraphLen, 1, INT32_MAX);
    i("FiltersHeight", FiltersHeight, 1, MaxStoredPixels);
    i("LayoutLen", LayoutLen, 1, INT32_MAX);
    for (int k = 0; k < 5; ++k)
        LayoutCompareLen[k] =
            ini.ReadInteger(s, Format("LayoutCompareLen%d", k + 1), LayoutCompareLen[k], 1, INT32_MAX);
    i("LayoutCompareHeight", LayoutCompareHeight, 1, MaxStoredPixels);
    i("WeekLen", WeekLen, 1, INT32_MAX);
    i("WeekHeight", WeekHeight, 1, MaxStoredPixels);
    i("WeekChartMode", WeekChartMode, 0, 1);
    i("DownloadDrawsOnStart", DownloadDrawsOnStart, 0, 2);
    i("RatingsEffMode", RatingsEffMode, 0, 2);
    i("ScriptLibraryHeight", ScriptLibraryHeight, 1, MaxStoredPixels);
    i("ScriptLibraryFilter", ScriptLibraryFilter, 0, 7);
    i("Language", Language, 1, MaxLanguageId);
    for (const TBoolOption& o : BoolOptions()) this->*o.Field = ini.ReadBool(s, o.Key, this->*o.Field);
}

void TFormSettings::SaveSizes(TIniFile& ini, const std::string& s) const {
    auto w = [&](const char* key, int v) {
        if (v >= 0) ini.WriteInteger(s, key, v);
    };
    w("LeftPanelWidth", LeftPanelWidth);
    w("DrawsExclude", DrawsExclude);
    w("DrawsStatLen", DrawsStatLen);
    w("DrawsStatHeight", DrawsStatHeight);
    w("DrawsGraphLen", DrawsGraphLen);
    w("FiltersHeight", FiltersHeight);
    w("LayoutLen", LayoutLen);
    for (int k = 0; k < 5; ++k)
        if (LayoutCompareLen[k] >= 0) ini.WriteInteger(s, Format("LayoutCompareLen%d", k + 1), LayoutCompareLen[k]);
    w("WeekLen", WeekLen);
    w("WeekHeight", WeekHeight);
    w("LayoutCompareHeight", LayoutCompareHeight);
    w("ScriptLibraryHeight", ScriptLibraryHeight);
    w("ScriptLibraryFilter", ScriptLibraryFilter);
}

} // namespace zorb
