// Keys of the main window's section in the user-interface settings file. Options are written as soon as they
// change; sizes when the window closes. "Designed" sizes are -1 until the window has stored one.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace zorb {

class TIniFile;

constexpr const char* FormSection = "TFormMain"; // the main window's section of the interface settings file
constexpr int MaxStoredPixels = 32767;           // a stored size beyond any screen is not one the window wrote
constexpr int MaxLanguageId = 0xFFFF;            // language and sublanguage of a locale identifier

struct TFormSettings {
    int LeftPanelWidth = -1;
    int DrawsExclude = 0;
    int DrawsStatLen = 1000;
    int DrawsStatHeight = -1;
    int DrawsGraphLen = 100;
    int FiltersHeight = -1;
    int LayoutLen = 100;
    std::array<int, 5> LayoutCompareLen = {50, 100, 200, 300, 400};
    int LayoutCompareHeight = -1;
    int WeekLen = 1000;
    int WeekHeight = -1;
    int WeekChartMode = 0;
    bool WeekChartType = false;
    bool AutoUpdates = true;
    int DownloadDrawsOnStart = 0;
    bool ScriptLogEnabled = false;
    bool StakesLogEnabled = false;
    bool StakesScrollEnabled = true;
    bool StakesCheckOnLine = true;
    bool ColorDraws = true;
    bool ColorCombs = true;
    bool ColorCard = true;
    bool ColorCardSequences = true;
    bool LayoutGradient = true;
    bool SortedDraws = false;
    bool PrefetchsEnabled = false;
    bool PrefetchsInit = false;
    bool ShowTotalLine = true;
    int RatingsEffMode = 1;
    bool ScriptLibraryOn = true;
    int ScriptLibraryHeight = -1;
    int ScriptLibraryFilter = 2;
    bool SystemsEnabled = true;
    bool TabGraphs = true;
    bool TabCard = true;
    bool TabLayout = true;
    bool TabWeek = true;
    bool TabTables = true;
    bool FirstRun = false;
    int Language = 1049;

    void Load(const TIniFile& ini, const std::string& section);
    // Only the size keys, which are written at shutdown.
    void SaveSizes(TIniFile& ini, const std::string& section) const;
};

// Lists whose column widths are kept under "<list>.Column<i>".
extern const std::array<const char*, 10> PersistedLists;

// The on/off options, each with its key in the file: declared once, so that an action switching one names the
// field and never repeats the key.
struct TBoolOption {
    const char* Key;
    bool TFormSettings::*Field;
};
const std::vector<TBoolOption>& BoolOptions();
const char* OptionKey(bool TFormSettings::*field); // nullptr for a field that is not an option

} // namespace zorb
