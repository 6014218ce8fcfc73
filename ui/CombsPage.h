// "Комбинации": the combination list, its toolbar, the removal of the latest draws' combinations and the list
// of applied filters.
#pragma once

#include "app/CombsController.h"
#include "ui/Page.h"

class QPushButton;
class QSpinBox;
class QSplitter;
class QTableWidget;
class TCombsModel;

class TCombsPage : public TPage, public zorb::TCombsUi {
    Q_OBJECT
public:
    TCombsPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }
    QTableWidget* FiltersView() const { return FFiltersView; }
    QSpinBox* ExcludeEdit() const { return FExclude; }

    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void ActionsChanged(bool busy) override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    bool DrivenByScenarios() const override { return true; }

    void CombsListReset() override;
    void CombsListRepaint() override;
    void CombsSelectAll() override;
    void FiltersChanged() override;
    // "Генерация списка комбинаций".
    bool EditGenerateParams(zorb::TGenerateSettings& params, bool& saveAsDefault) override;

private:
    void OnSelectionChanged();

    QToolBar* FToolBar = nullptr;
    QSplitter* FSplitter = nullptr;
    QTableView* FView = nullptr;
    TCombsModel* FModel = nullptr;
    QPushButton* FExcludeButton = nullptr;
    QSpinBox* FExclude = nullptr;
    QTableWidget* FFiltersView = nullptr;
};
