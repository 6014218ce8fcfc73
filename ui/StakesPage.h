// "Ставки": the stakes grid, its toolbar and the stake dialogs.
#pragma once

#include "app/StakesController.h"
#include "ui/Page.h"

#include <cstdint>

class TStakesModel;

class TStakesPage : public TPage, public zorb::TStakesUi {
    Q_OBJECT
public:
    TStakesPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }

    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void StakesViewChanged(int64_t count, bool repaint, bool scrollToEnd) override;
    bool EditStake(zorb::TStakeRecord& record, int& drawCount) override;
    bool EditMultiStake(int& drawNumber, int& drawCount, std::string& comment) override;
    bool EditStakeFilter(int& condition, int& value) override;

private:
    void OnSelectionChanged();

    QToolBar* FToolBar = nullptr;
    QTableView* FView = nullptr;
    TStakesModel* FModel = nullptr;
};
