// "Ставки": the stakes grid and its toolbar.
#pragma once

#include "ui/Page.h"

#include <cstdint>

class TStakesModel;

class TStakesPage : public TPage {
    Q_OBJECT
public:
    TStakesPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }

    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void ViewChanged(int64_t count, bool repaint, bool scrollToEnd);

private:
    void OnSelectionChanged();

    QToolBar* FToolBar = nullptr;
    QTableView* FView = nullptr;
    TStakesModel* FModel = nullptr;
};
