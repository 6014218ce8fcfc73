// The main window: the Qt side of UserInterface. It builds its commands from the application's action table,
// re-evaluates every enabling rule in one place and hosts the pages of the tabs and the dialog hosts, which answer
// their own subsystems' interfaces; it keeps no logic of its own in slots.
#pragma once

#include "app/UserInterface.h"
#include "ui/Page.h"

#include <QMainWindow>
#include <array>
#include <map>
#include <string>
#include <vector>

class QActionGroup;
class QLabel;
class QMenu;
class QProgressDialog;
class QSplitter;
class QTabWidget;
class QTranslator;

namespace zorb {
class TTemplateMain;
struct TMenuItem;
} // namespace zorb

class TMainWindow : public QMainWindow, public zorb::UserInterface, public TPageHost {
    Q_OBJECT
public:
    TMainWindow();
    ~TMainWindow() override;

    void Attach(zorb::TTemplateMain* app);
    bool StartMaximized() const { return FStartMaximized; }

    QString PanelText(int panel) const;
    // The window's size at the first start on a screen with this working area.
    static QSize FirstStartSize(const QRect& area);

    // TPageHost
    QAction* ActionByName(const std::string& name) const override;
    void RunAction(const std::string& name) override;
    void AddPage(TPage* page, QTabWidget* tabs) override;
    const std::vector<TPage*>& Pages() const override { return FPages; }
    void SetRunning(bool running) override;

    // UserInterface
    std::vector<zorb::TUiPart*> Parts() override { return FParts; }
    void ShowMessage(zorb::TMsgBox box, const std::string& text) override;
    bool AskYesNo(zorb::TMsgBox box, const std::string& text) override;
    void SetStatusPanel(int panel, const std::string& text) override;
    void SetProgressText(const std::string& text) override;
    void SetBusyCursor(bool busy) override;
    void ProcessEvents() override;
    void ActionsChanged() override;
    void SetCaption(const std::string& caption) override;
    void LanguageChanged() override;
    void ProgressOpen(const std::string& text, int steps, bool stopButton) override;
    void ProgressSetText(const std::string& text) override;
    void ProgressStep(int steps) override;
    void ProgressClose() override;
    bool ProgressStopRequested() override;
    std::string OpenFileName(const std::string& filter, const std::string& defaultExt) override;
    std::string SaveFileName(const std::string& filter, const std::string& defaultExt) override;
    bool ClipboardHasText() override;
    std::string ClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    void ShowAbout(const zorb::TAboutInfo& info) override;
    bool ShowFirstRun(const zorb::TFirstRunInfo& info) override;
    void OpenUrl(const std::string& url) override;
    void OpenDocument(const std::string& path) override;
    void StartInitTimer() override;
    void RequestClose() override;
    void RestoreWindowState(const zorb::TIniFile& frm, const std::string& section) override;
    void SaveWindowState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    template <class T> T* Add(T* page, QTabWidget* tabs) {
        AddPage(page, tabs);
        return page;
    }
    void AddHost(TDialogHost* host);
    void BuildActions();
    void LoadQtTranslation(int lcid);
    void FillMenu(QMenu* menu, const std::vector<zorb::TMenuItem>& items);

    zorb::TTemplateMain* FApp = nullptr;
    std::map<std::string, QAction*> FActions;
    std::map<std::string, QActionGroup*> FGroups;
    QSplitter* FSplitter = nullptr;
    QTabWidget* FLeftPages = nullptr;
    QTabWidget* FMainPages = nullptr;
    std::vector<TPage*> FPages; // in tab order, left tabs first: the order their sizes are read and written
    std::vector<TDialogHost*> FHosts;
    std::vector<zorb::TUiPart*> FParts; // the pages and hosts that answer a subsystem's interface
    QProgressDialog* FProgress = nullptr;
    bool FProgressStop = false;
    std::array<QLabel*, 7> FPanels{};
    std::string FProgressText;
    std::string FNote;
    QTranslator* FQtTranslator = nullptr;
    int FLeftPanelWidth = -1;
    bool FStartMaximized = false;
    bool FShown = false;
    bool FClosed = false;
};
