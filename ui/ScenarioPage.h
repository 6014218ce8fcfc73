// "Сценарий": the scenario list lvScript, its toolbar and status panels, and the line editor TFormScript.
#pragma once

#include "app/ScenarioController.h"
#include "ui/Page.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;
class TScriptModel;

class TScenarioPage : public TPage {
    Q_OBJECT
public:
    TScenarioPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void ListChanged();
    void SelectionChanged(int scrollTo);
    void PanelsChanged(const zorb::TScriptPanels& panels);
    void RunStateChanged(bool running);

private:
    void OnSelectionChanged();

    QToolBar* FToolBar = nullptr;
    QTableView* FView = nullptr;
    TScriptModel* FModel = nullptr;
    std::array<QLabel*, 5> FPanels{};
    std::array<QToolButton*, 3> FRunButtons{};
    bool FSelecting = false;
};

// The line editor.
class TFormScript : public QDialog {
    Q_OBJECT
public:
    TFormScript(zorb::TScriptEditorData& data, zorb::TScenarioController& scenarios, QWidget* parent);
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditField(QLineEdit* edit);
    void Take(zorb::TScriptEditorData& d) const;
    zorb::TScriptEditorData& FData;
    zorb::TScenarioController& FScenarios;
    QComboBox* FSource = nullptr;
    QSpinBox* FExclude = nullptr;
    QComboBox* FStakeMode = nullptr;
    QCheckBox* FClear = nullptr;
    QCheckBox* FNewOnly = nullptr;
    std::array<QLineEdit*, zorb::MaxLineFilters> FFilters{};
    QLineEdit* FComment = nullptr;
};
