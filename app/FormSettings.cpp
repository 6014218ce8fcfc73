#include "app/FormSettings.h"

#include "core/Format.h"
#include "core/IniFile.h"

#include <cstdint>

namespace zorb {

const std::array<const char*, 10> PersistedLists = {"lvDraws",  "lvCombs",        "lvFilters", "lvDrawsStat",
                                                    "sgStakes", "lvRatings",      "lvTables",  "lvSystems",
                                                    "lvScript", "lvOnlineScripts"};

void TFormSettings::Load(const TIniFile& ini, const std::string& s) {
    auto i = [&](const char* key, int& v, int lo, int hi) { v = ini.ReadInteger(s, key, v, lo, hi); };
    auto b = [&](const char* key, bool& v) { v = ini.ReadBool(s, key, v); };
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
    b("WeekChartType", WeekChartType);
    b("AutoUpdates", AutoUpdates);
    i("DownloadDrawsOnStart", DownloadDrawsOnStart, 0, 2);
    b("ScriptLogEnabled", ScriptLogEnabled);
    b("StakesLogEnabled", StakesLogEnabled);
    b("StakesScrollEnabled", StakesScrollEnabled);
    b("StakesCheckOnLine", StakesCheckOnLine);
    b("ColorDraws", ColorDraws);
    b("ColorCombs", ColorCombs);
    b("ColorCard", ColorCard);
    b("ColorCardSequences", ColorCardSequences);
    b("LayoutGradient", LayoutGradient);
    b("SortedDraws", SortedDraws);
    b("PrefetchsEnabled", PrefetchsEnabled);
    b("PrefetchsInit", PrefetchsInit);
    b("ShowTotalLine", ShowTotalLine);
    i("RatingsEffMode", RatingsEffMode, 0, 2);
    b("ScriptLibraryOn", ScriptLibraryOn);
    i("ScriptLibraryHeight", ScriptLibraryHeight, 1, MaxStoredPixels);
    i("ScriptLibraryFilter", ScriptLibraryFilter, 0, 7);
    b("SystemsEnabled", SystemsEnabled);
    b("TabGraphs", TabGraphs);
    b("TabCard", TabCard);
    b("TabLayout", TabLayout);
    b("TabWeek", TabWeek);
    b("TabTables", TabTables);
    b("FirstRun", FirstRun);
    i("Language", Language, 1, MaxLanguageId);
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
