// "Архив тиражей": the draw list, its toolbar, the offset field with its warning on the status line, and the draw
// dialogs.
#pragma once

#include "app/DrawsController.h"
#include "ui/Page.h"

class QLabel;
class QSpinBox;
class TDrawsModel;

class TDrawsPage : public TPage, public zorb::TDrawsUi {
    Q_OBJECT
public:
    TDrawsPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }
    QSpinBox* OffsetEdit() const { return FOffset; }
    QLabel* OffsetPanel() const { return FOffsetPanel; }

    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void ActionsChanged(bool busy) override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;
    QWidget* StatusPanel() const override;
    bool DrivenByScenarios() const override { return true; }

    void DrawsListReset() override;
    void DrawsListRepaint() override;
    void SetOffsetField(int value, int maxValue) override;
    bool EditDraw(zorb::TDrawRec& draw) override;
    bool EditProxy(zorb::TProxy& proxy) override;

private:
    void OnSelectionChanged();

    QToolBar* FToolBar = nullptr;
    QLabel* FOffsetLabel = nullptr;
    QSpinBox* FOffset = nullptr;
    QLabel* FOffsetPanel = nullptr;
    QTableView* FView = nullptr;
    TDrawsModel* FModel = nullptr;
};
