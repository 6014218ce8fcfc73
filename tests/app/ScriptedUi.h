// A UserInterface that plays a script: answers come from queues set up by the test, and everything the
// application shows is recorded for the test to inspect.
#pragma once

#include "app/FavoritesEditor.h"
#include "app/FilterDialog.h"
#include "app/FormSettings.h"
#include "app/StakesController.h"
#include "app/StatsController.h"
#include "app/UserInterface.h"
#include "net/Http.h"
#include "stakes/StakeRecord.h"
#include "stats/GameSettings.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zorb::test {

struct TShownMessage {
    TMsgBox Box;
    std::string Text;
};

class TScriptedUi : public UserInterface, public TDrawsUi, public TCombsUi, public TStatsUi, public TStakesUi {
public:
    // Queued answers.
    std::deque<bool> YesNoAnswers;
    std::deque<std::function<bool(TDrawRec&)>> DrawEdits;
    std::deque<std::function<bool(TConfigData&)>> ConfigEdits;
    std::deque<std::function<bool(TShreddingData&)>> ShreddingEdits;
    int MethodListFills = 0;
    int StatTableChanges = 0, StatColumnChanges = 0;
    int64_t StakesShown = -1;
    std::deque<std::function<bool(TProxy&)>> ProxyEdits;
    int DownloadOffers = 0;
    int StakesScrolls = 0;
    std::vector<TStakeRecord> OfferedStakes;
    std::deque<std::function<bool(TStakeRecord&, int&)>> StakeEdits;
    std::deque<std::function<bool(int&, int&, std::string&)>> MultiStakeEdits;
    std::deque<std::function<bool(int&, int&)>> StakeFilterEdits;
    std::deque<std::function<bool(TFilterItem&, const TFilterDialogContext&)>> FilterEdits;
    std::deque<std::function<bool(TFavoritesEditor&)>> FavoriteEdits;
    std::vector<std::pair<std::string, std::string>> HelpPages;
    int ProgressOpens = 0, ProgressCloses = 0, ProgressMax = 0, ProgressDone = 0;
    int CombsResets = 0, CombsRepaints = 0, CombsSelectAlls = 0, FilterChanges = 0;
    std::deque<std::function<bool(TGenerateSettings&, bool&)>> GenerateEdits;
    std::vector<std::string> FileFilters;
    std::string NextFileName;
    std::string Clipboard;

    // Recorded traffic.
    std::vector<TShownMessage> Messages;
    std::vector<TShownMessage> Questions;
    std::vector<TDrawRec> OfferedDraws;
    std::map<int, std::string> Panels;
    std::vector<std::string> ProgressTexts;
    std::vector<bool> BusyCursor;
    std::string Caption;
    int ListResets = 0;
    int ListRepaints = 0;
    int OffsetValue = -1;
    int OffsetMax = -1;
    int InitTimerStarts = 0;
    int CloseRequests = 0;
    int WindowStateSaves = 0;
    std::vector<std::string> OpenedUrls;
    std::vector<std::string> OpenedDocuments;

    std::vector<TShownMessage> Errors() const {
        std::vector<TShownMessage> r;
        for (const auto& m : Messages)
            if (m.Box == TMsgBox::Error) r.push_back(m);
        return r;
    }

    void ShowMessage(TMsgBox box, const std::string& text) override { Messages.push_back({box, text}); }
    bool AskYesNo(TMsgBox box, const std::string& text) override {
        // The start-up offer to download draws is declined unless a test queued an answer for it.
        if (YesNoAnswers.empty() && text.rfind("Обновить список тиражей?", 0) == 0) {
            ++DownloadOffers;
            return false;
        }
        Questions.push_back({box, text});
        if (YesNoAnswers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return false;
        }
        bool answer = YesNoAnswers.front();
        YesNoAnswers.pop_front();
        return answer;
    }
    void SetStatusPanel(int panel, const std::string& text) override { Panels[panel] = text; }
    void SetProgressText(const std::string& text) override { ProgressTexts.push_back(text); }
    void SetBusyCursor(bool busy) override { BusyCursor.push_back(busy); }
    void ProcessEvents() override {}
    void ActionsChanged() override {}
    void SetCaption(const std::string& caption) override { Caption = caption; }
    void LanguageChanged() override {}
    void DrawsListReset() override { ++ListResets; }
    void DrawsListRepaint() override { ++ListRepaints; }
    void SetOffsetField(int value, int maxValue) override {
        OffsetValue = value;
        OffsetMax = maxValue;
    }
    bool EditDraw(TDrawRec& draw) override {
        OfferedDraws.push_back(draw);
        if (DrawEdits.empty()) {
            ADD_FAILURE() << "unexpected draw dialog";
            return false;
        }
        auto edit = std::move(DrawEdits.front());
        DrawEdits.pop_front();
        return edit(draw);
    }
    bool EditConfig(TConfigData& config) override {
        if (ConfigEdits.empty()) {
            ADD_FAILURE() << "unexpected settings dialog";
            return false;
        }
        auto edit = std::move(ConfigEdits.front());
        ConfigEdits.pop_front();
        return edit(config);
    }
    bool EditShredding(TShreddingData& data) override {
        if (ShreddingEdits.empty()) {
            ADD_FAILURE() << "unexpected shredding dialog";
            return false;
        }
        auto edit = std::move(ShreddingEdits.front());
        ShreddingEdits.pop_front();
        return edit(data);
    }
    void MethodListsChanged() override { ++MethodListFills; }
    void CombsListReset() override { ++CombsResets; }
    void CombsListRepaint() override { ++CombsRepaints; }
    void CombsSelectAll() override { ++CombsSelectAlls; }
    void FiltersChanged() override { ++FilterChanges; }
    bool EditGenerateParams(TGenerateSettings& params, bool& saveAsDefault) override {
        if (GenerateEdits.empty()) {
            ADD_FAILURE() << "unexpected generation dialog";
            return false;
        }
        auto edit = std::move(GenerateEdits.front());
        GenerateEdits.pop_front();
        return edit(params, saveAsDefault);
    }
    std::string OpenFileName(const std::string& filter, const std::string&) override {
        FileFilters.push_back(filter);
        return NextFileName;
    }
    std::string SaveFileName(const std::string& filter, const std::string&) override {
        FileFilters.push_back(filter);
        return NextFileName;
    }
    bool ClipboardHasText() override { return !Clipboard.empty(); }
    std::string ClipboardText() override { return Clipboard; }
    void SetClipboardText(const std::string& text) override { Clipboard = text; }
    void StatTableChanged() override { ++StatTableChanges; }
    bool EditProxy(TProxy& proxy) override {
        if (ProxyEdits.empty()) {
            ADD_FAILURE() << "unexpected proxy dialog";
            return false;
        }
        auto edit = std::move(ProxyEdits.front());
        ProxyEdits.pop_front();
        return edit(proxy);
    }
    void StakesViewChanged(int64_t count, bool, bool scrollToEnd) override {
        StakesShown = count;
        StakesScrolls += scrollToEnd ? 1 : 0;
    }
    bool EditStake(TStakeRecord& record, int& drawCount) override {
        OfferedStakes.push_back(record);
        if (StakeEdits.empty()) {
            ADD_FAILURE() << "unexpected stake dialog";
            return false;
        }
        auto edit = std::move(StakeEdits.front());
        StakeEdits.pop_front();
        return edit(record, drawCount);
    }
    bool EditMultiStake(int& drawNumber, int& drawCount, std::string& comment) override {
        if (MultiStakeEdits.empty()) {
            ADD_FAILURE() << "unexpected multi-stake dialog";
            return false;
        }
        auto edit = std::move(MultiStakeEdits.front());
        MultiStakeEdits.pop_front();
        return edit(drawNumber, drawCount, comment);
    }
    bool EditStakeFilter(int& condition, int& value) override {
        if (StakeFilterEdits.empty()) {
            ADD_FAILURE() << "unexpected stake filter dialog";
            return false;
        }
        auto edit = std::move(StakeFilterEdits.front());
        StakeFilterEdits.pop_front();
        return edit(condition, value);
    }
    bool EditFilter(TFilterItem& item, const TFilterDialogContext& context) override {
        if (FilterEdits.empty()) {
            ADD_FAILURE() << "unexpected filter dialog";
            return false;
        }
        auto edit = std::move(FilterEdits.front());
        FilterEdits.pop_front();
        return edit(item, context);
    }
    bool ManageFavorites(TFavoritesEditor& editor) override {
        if (FavoriteEdits.empty()) {
            ADD_FAILURE() << "unexpected favourites manager";
            return false;
        }
        auto edit = std::move(FavoriteEdits.front());
        FavoriteEdits.pop_front();
        return edit(editor);
    }
    void ShowMethodHelp(const std::string& title, const std::string& html) override {
        HelpPages.push_back({title, html});
    }
    void StatColumnsChanged() override { ++StatColumnChanges; }
    void ProgressOpen(const std::string& text, int steps, bool) override {
        ProgressTexts.push_back(text);
        ProgressMax = steps;
        ProgressDone = 0;
        ++ProgressOpens;
    }
    void ProgressSetText(const std::string& text) override { ProgressTexts.push_back(text); }
    void ProgressStep(int steps) override { ProgressDone += steps; }
    void ProgressClose() override { ++ProgressCloses; }
    bool ProgressStopRequested() override { return false; }
    void ShowAbout(const TAboutInfo&) override {}
    bool ShowFirstRun(const TFirstRunInfo&) override { return false; }
    void OpenUrl(const std::string& url) override { OpenedUrls.push_back(url); }
    void OpenDocument(const std::string& path) override { OpenedDocuments.push_back(path); }
    void StartInitTimer() override { ++InitTimerStarts; }
    void RequestClose() override { ++CloseRequests; }
    void RestoreWindowState(const TIniFile&, const std::string&) override {}
    void SaveWindowState(TIniFile&, const std::string&, TFormSettings&) override { ++WindowStateSaves; }
};

} // namespace zorb::test
