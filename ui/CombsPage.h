// "Комбинации": the combination list, its toolbar, the removal of the latest draws' combinations and the list
// of applied filters.
#pragma once

#include "ui/Page.h"

class QPushButton;
class QSpinBox;
class QSplitter;
class QTableWidget;
class TCombsModel;

class TCombsPage : public TPage {
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

    void ListReset();
    void ListRepaint();
    void SelectAll();
    void FiltersChanged();

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
