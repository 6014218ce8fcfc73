// "Архив тиражей": the draw list, its toolbar and the offset field.
#pragma once

#include "ui/Page.h"

class QLabel;
class QSpinBox;
class TDrawsModel;

class TDrawsPage : public TPage {
    Q_OBJECT
public:
    TDrawsPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }
    QSpinBox* OffsetEdit() const { return FOffset; }

    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void ActionsChanged(bool busy) override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void ListReset();
    void ListRepaint();
    void SetOffsetField(int value, int maxValue);

private:
    void OnSelectionChanged();

    QToolBar* FToolBar = nullptr;
    QLabel* FOffsetLabel = nullptr;
    QSpinBox* FOffset = nullptr;
    QTableView* FView = nullptr;
    TDrawsModel* FModel = nullptr;
};
