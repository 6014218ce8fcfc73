// "Сценарий": the scenario list lvScript, its toolbar and status panels, the line editor TFormScript and the
// count of a scenario test.
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

class TScenarioPage : public TPage, public zorb::TScenarioUi {
    Q_OBJECT
public:
    TScenarioPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void ScriptListChanged() override;
    void ScriptSelectionChanged(int scrollTo) override;
    bool EditScriptLine(zorb::TScriptEditorData& data) override;
    bool AskScriptTestCount(int& count, int& holdout, int maxCount) override;
    void ScriptPanelsChanged(const zorb::TScriptPanels& panels) override;
    void ScriptRunStateChanged(bool running) override;

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

// "Количество тестов" with the number of last offsets held out for judging the best line (0: none).
class TTestCountDialog : public QDialog {
    Q_OBJECT
public:
    TTestCountDialog(int count, int holdout, int maxCount, QWidget* parent);
    QSpinBox* CountField() const { return FCount; }
    QSpinBox* HoldoutField() const { return FHoldout; }

private:
    QSpinBox* FCount;
    QSpinBox* FHoldout;
};

// Asks with TTestCountDialog; false on Cancel.
bool AskTestRunDialog(QWidget* parent, int& count, int& holdout, int maxCount);
