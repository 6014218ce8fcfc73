#include "app/FormSettings.h"

#include "core/Format.h"
#include "core/IniFile.h"

namespace zorb {

const std::array<const char*, 10> PersistedLists = {"lvDraws",  "lvCombs",        "lvFilters", "lvDrawsStat",
                                                    "sgStakes", "lvRatings",      "lvTables",  "lvSystems",
                                                    "lvScript", "lvOnlineScripts"};

void TFormSettings::Load(const TIniFile& ini, const std::string& s) {
    auto i = [&](const char* key, int& v) { v = ini.ReadInteger(s, key, v); };
    auto b = [&](const char* key, bool& v) { v = ini.ReadBool(s, key, v); };
    i("LeftPanelWidth", LeftPanelWidth);
    i("DrawsExclude", DrawsExclude);
    i("DrawsStatLen", DrawsStatLen);
    i("DrawsStatHeight", DrawsStatHeight);
    i("DrawsGraphLen", DrawsGraphLen);
    i("FiltersHeight", FiltersHeight);
    i("LayoutLen", LayoutLen);
    for (int k = 0; k < 5; ++k)
        LayoutCompareLen[k] = ini.ReadInteger(s, Format("LayoutCompareLen%d", k + 1), LayoutCompareLen[k]);
    i("LayoutCompareHeight", LayoutCompareHeight);
    i("WeekLen", WeekLen);
    i("WeekHeight", WeekHeight);
    i("WeekChartMode", WeekChartMode);
    b("WeekChartType", WeekChartType);
    b("AutoUpdates", AutoUpdates);
    i("DownloadDrawsOnStart", DownloadDrawsOnStart);
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
    i("RatingsEffMode", RatingsEffMode);
    b("ScriptLibraryOn", ScriptLibraryOn);
    i("ScriptLibraryHeight", ScriptLibraryHeight);
    i("ScriptLibraryFilter", ScriptLibraryFilter);
    b("SystemsEnabled", SystemsEnabled);
    b("TabGraphs", TabGraphs);
    b("TabCard", TabCard);
    b("TabLayout", TabLayout);
    b("TabWeek", TabWeek);
    b("TabTables", TabTables);
    b("FirstRun", FirstRun);
    i("Language", Language);
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
