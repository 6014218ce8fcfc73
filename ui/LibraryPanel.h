// The online scenario library under the scenario list: the panel pnlOnlineScripts with its toolbar, the filter
// cbOnlineScriptsFilter and the list lvOnlineScripts; the scenario dialog TFormScrPublic and the ratings window
// TFormScrRates.
#pragma once

#include "app/LibraryController.h"
#include "ui/Page.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QSplitter;
class QToolButton;
class TLibraryModel;

class TLibraryPanel : public TPage, public zorb::TLibraryUi {
    Q_OBJECT
public:
    TLibraryPanel(TPageHost& host, QWidget* parent);

    // Puts a panel under the scenario list, with a splitter between the two.
    static TLibraryPanel* Install(TPageHost& host, QTableView* scenarioList);

    QTableView* View() const { return FView; }
    QComboBox* FilterBox() const { return FFilter; }

    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void ActionsChanged(bool busy) override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void LibraryListChanged() override;
    void LibraryPanelShown(bool shown) override;
    bool EditScriptInfo(zorb::TScriptDialog& dialog) override;
    bool AskRateComment(std::string& notes) override;
    void ShowScriptRates(const zorb::tScriptInfo& script, const std::vector<zorb::TScriptRate>& rates) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillFilter();
    void FillMenus();
    void ApplyHeight();
    void OnCurrentChanged();

    QSplitter* FSplitter = nullptr;
    QToolBar* FToolBar = nullptr;
    QToolButton* FRateButton = nullptr;
    QMenu* FRateMenu = nullptr;
    QMenu* FPopup = nullptr;
    QComboBox* FFilter = nullptr;
    QLabel* FFilterLabel = nullptr;
    QTableView* FView = nullptr;
    QLabel* FState = nullptr;
    TLibraryModel* FModel = nullptr;
    int FStoredHeight = -1;
    bool FHeightApplied = false;
    bool FFilling = false;
};

// "Свойства сценария": editable for publishing and replacing, read-only for viewing.
class TFormScrPublic : public QDialog {
    Q_OBJECT
public:
    TFormScrPublic(zorb::TScriptDialog& dialog, zorb::TLibraryController& library, QWidget* parent);
    void accept() override;

private:
    zorb::TScriptDialog Taken() const;

    zorb::TScriptDialog& FDialog;
    zorb::TLibraryController& FLibrary;
    QLineEdit* FTitle = nullptr;
    QLineEdit* FAuthor = nullptr;
    QComboBox* FLanguage = nullptr;
    QButtonGroup* FAppMode = nullptr;
    QButtonGroup* FViewMode = nullptr;
    QPlainTextEdit* FDescr = nullptr;
};

// "Оценки пользователей".
class TFormScrRates : public QDialog {
    Q_OBJECT
public:
    TFormScrRates(const zorb::tScriptInfo& script, const std::vector<zorb::TScriptRate>& rates, QWidget* parent);
};
