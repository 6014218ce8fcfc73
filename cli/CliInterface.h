// The application's UserInterface on a terminal: messages go to the streams, questions take the answer the
// command set in advance, and the draw dialog takes the command's arguments.
#pragma once

#include "app/StakesController.h"
#include "app/StatsController.h"
#include "app/UserInterface.h"
#include "stats/GameSettings.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace zorb {

struct TDrawInput {
    std::optional<std::string> Number; // proposed number when absent
    std::optional<std::string> Date;   // today when absent
    std::string Numbers;
};

class TCliInterface : public UserInterface, public TDrawsUi, public TCombsUi, public TStatsUi, public TStakesUi {
public:
    TCliInterface(std::ostream& out, std::ostream& err) : FOut(out), FErr(err) {}

    bool ErrorShown() const { return FErrorShown; }
    void SetAnswer(bool yes) { FAnswer = yes; }
    void SetDrawInput(TDrawInput input) { FDrawInput = std::move(input); }

    void ShowMessage(TMsgBox box, const std::string& text) override;
    bool AskYesNo(TMsgBox box, const std::string& text) override;
    // Panel 5 carries notices (a rebuilt damaged file) that a script should see; the others are counts.
    void SetStatusPanel(int panel, const std::string& text) override;
    void SetProgressText(const std::string&) override {}
    void SetBusyCursor(bool) override {}
    void ProcessEvents() override {}
    void ActionsChanged() override {}
    void SetCaption(const std::string&) override {}
    void LanguageChanged() override {}
    void DrawsListReset() override {}
    void DrawsListRepaint() override {}
    void SetOffsetField(int, int) override {}
    bool EditDraw(TDrawRec& draw) override;
    // The settings dialog answers OK with these settings once they are set (the config command), else Cancel.
    void SetConfigInput(TConfigData config) { FConfigInput = std::move(config); }
    bool EditConfig(TConfigData& config) override {
        if (!FConfigInput) return false;
        config = *FConfigInput;
        return true;
    }
    // The shredding dialog answers OK with these formulas once they are set (the shredding command), else Cancel.
    void SetShreddingInput(TShreddingData data) { FShreddingInput = std::move(data); }
    bool EditShredding(TShreddingData& data) override {
        if (!FShreddingInput) return false;
        data = *FShreddingInput;
        return true;
    }
    void MethodListsChanged() override {}
    void CombsListReset() override {}
    void CombsListRepaint() override {}
    void CombsSelectAll() override {}
    void FiltersChanged() override {}
    bool EditGenerateParams(TGenerateSettings&, bool&) override { return false; }
    std::string OpenFileName(const std::string&, const std::string&) override { return ""; }
    std::string SaveFileName(const std::string&, const std::string&) override { return ""; }
    bool ClipboardHasText() override { return false; }
    std::string ClipboardText() override { return ""; }
    void SetClipboardText(const std::string&) override {}
    void StatTableChanged() override {}
    void StakesViewChanged(int64_t, bool, bool) override {}
    bool EditProxy(TProxy&) override { return false; }
    bool EditStake(TStakeRecord& record, int& drawCount) override;
    bool EditMultiStake(int&, int&, std::string&) override { return false; }
    bool EditStakeFilter(int&, int&) override { return false; }
    // The stake dialog takes the command's arguments.
    struct TStakeInput {
        std::string Numbers, Comment;
        std::optional<std::string> Draw;
        int Count = 1;
    };
    void SetStakeInput(TStakeInput input) { FStakeInput = std::move(input); }
    bool EditFilter(TFilterItem&, const TFilterDialogContext&) override { return false; }
    bool ManageFavorites(TFavoritesEditor&) override { return false; }
    void ShowMethodHelp(const std::string&, const std::string&) override {}
    void StatColumnsChanged() override {}
    void ProgressOpen(const std::string& text, int steps, bool) override;
    void ProgressSetText(const std::string& text) override { FProgressText = text; }
    void ProgressStep(int steps) override;
    void ProgressClose() override;
    bool ProgressStopRequested() override { return false; }
    // Progress lines go to the error stream only when asked for.
    void SetShowProgress(bool show) { FShowProgress = show; }
    void ShowAbout(const TAboutInfo&) override {}
    bool ShowFirstRun(const TFirstRunInfo&) override { return false; }
    void OpenUrl(const std::string&) override {}
    void OpenDocument(const std::string&) override {}
    void StartInitTimer() override {}
    void RequestClose() override {}
    void RestoreWindowState(const TIniFile&, const std::string&) override {}
    void SaveWindowState(TIniFile&, const std::string&, TFormSettings&) override {}

private:
    std::ostream& FOut;
    std::ostream& FErr;
    bool FErrorShown = false;
    bool FAnswer = false;
    std::optional<TDrawInput> FDrawInput;
    std::optional<TStakeInput> FStakeInput;
    std::optional<TConfigData> FConfigInput;
    std::optional<TShreddingData> FShreddingInput;
    bool FShowProgress = false;
    std::string FProgressText;
    int FProgressSteps = 0, FProgressDone = 0;
};

} // namespace zorb
