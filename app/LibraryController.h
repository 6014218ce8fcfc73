// The online scenario library: the catalogue of the maker's server shown below the scenario, with its filter, the
// download into the current scenario, ratings, hiding, and publishing, replacing and deleting one's own scenarios.
// The catalogue lives only in the rows of the last load; nothing of it is stored locally.
#pragma once

#include "app/AppServices.h"
#include "app/DrawsController.h"
#include "app/OnlineIdentity.h"
#include "app/ScenarioController.h"
#include "core/Translate.h"
#include "online/OnlineClient.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorb {

// The scenario dialog: the fields edited, and what the dialog offers.
struct TScriptDialog {
    tScriptData Data;
    bool ReadOnly = false;
    std::string AppName;        // this program's executable name without extension
    std::vector<int> Languages; // the interface languages offered
    int FallbackLanguage = BuiltInLanguage;
};

// What the library needs of the window. A user interface without it has no panel, so no catalogue.
class TLibraryUi : public virtual TUiPart {
public:
    virtual ~TLibraryUi() = default;
    virtual void LibraryListChanged() = 0; // rows, focus, filter state or the last failure changed
    virtual void LibraryPanelShown(bool shown) = 0;
    // OK only when the controller's CheckScriptDialog accepts the fields; the data holds what was taken.
    virtual bool EditScriptInfo(TScriptDialog& dialog) = 0;
    // "Комментарий"; false when cancelled.
    virtual bool AskRateComment(std::string& notes) = 0;
    virtual void ShowScriptRates(const tScriptInfo& script, const std::vector<TScriptRate>& rates) = 0;
};

class TLibraryController : public TController {
public:
    TLibraryController(TAppServices& app, TDrawsController& draws, TScenarioController& scenarios,
                       std::function<int()> language, std::function<std::vector<int>()> languages);
    void RegisterActions(TActionTable& table) override;

    TOnlineIdentity Identity();
    // This run's server and user instead of the settings file's (the command line's options).
    void UseOnlineSettings(const TOnlineSettings& settings) { FOnline = settings; }
    bool PanelShown() const;
    bool FilterEnabled() const { return FFilterEnabled; }

    // --- The filter: items 0..7, the request's fltid is the item - 1 ---
    static constexpr int FilterCount = 8;
    static std::string FilterCaption(int item);
    int Filter() const;
    void SetFilter(int item); // reloads

    // --- The rows ---
    const std::vector<tScriptInfo>& Rows() const { return FRows; }
    int FocusedRow() const { return FFocused; }
    const tScriptInfo* Focused() const;
    void SetFocusedRow(int row);
    static constexpr int ColumnCount = 13;
    static std::string ColumnCaption(int column);
    std::string CellText(int row, int column) const;
    // Why the last load failed, empty after a good one (the panel shows it; the start-up load asks no one).
    const std::string& LastError() const { return FLastError; }

    // --- Effects ---
    void Startup(); // the filter is enabled and the catalogue loaded, failures only noted in the panel
    bool LoadCatalogue(bool report = true);
    // Through filter item `filter`, with or without the panel (the command line's list).
    bool LoadCatalogueFiltered(int filter);
    int RowOfId(int id) const; // -1 when the loaded rows lack it
    void TogglePanel();
    bool Download();
    bool Rate(int value); // 1..5 ask for a comment; 0 removes, -1 hides
    bool Upload();
    bool Replace();
    bool Delete();
    bool View();
    bool ShowRates();

    // The requests behind the actions, each reporting its own failure: the scenario's text (empty on failure),
    // a rating, the ratings of a scenario, publishing (the server's id, 0 on failure) and deleting.
    std::string FetchScript(int id);
    bool SendRate(int id, int value, const std::string& notes);
    bool FetchRates(int id, std::vector<TScriptRate>& rates);
    int Publish(const tScriptData& data, const TScriptLines& lines, const TOnlineIdentity& who);
    bool DeleteScript(const tScriptInfo& script);

    // The dialog's OK checks, in order: the message that keeps it open (and its box), empty when it may close.
    // The title check asks the server.
    std::string CheckScriptDialog(const TScriptDialog& dialog, TMsgBox& box);

private:
    TScriptDialog DialogFor(const tScriptData& data, bool readOnly) const;
    bool Save(tScriptData data, int row); // row -1 publishes a new one
    bool Load(int filter, bool report);   // filter -1: no request
    void Changed();

    TAppServices& FApp;
    TLibraryUi* FUi;
    TDrawsController& FDraws;
    TScenarioController& FScenarios;
    std::function<int()> FLanguage;
    std::function<std::vector<int>()> FLanguages;
    std::optional<TOnlineSettings> FOnline;
    std::vector<tScriptInfo> FRows;
    int FFocused = -1;
    bool FFilterEnabled = false;
    std::string FLastError;
};

} // namespace zorb
