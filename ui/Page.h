// A tab of the main window: it owns its models, views and toolbar and the column widths it stores, and answers its
// subsystem's interface itself; the window only hosts it.
#pragma once

#include <QObject>
#include <QWidget>
#include <initializer_list>
#include <string>
#include <vector>

class QAction;
class QTabWidget;
class QTableView;
class QToolBar;
class TPage;

namespace zorb {
class TIniFile;
class TTemplateMain;
struct TFormSettings;
} // namespace zorb

// What a page needs of the window hosting it. The window keeps the actions and is the one place where their
// enabling rules are evaluated.
class TPageHost {
public:
    virtual QAction* ActionByName(const std::string& name) const = 0;
    virtual void RunAction(const std::string& name) = 0; // runs it, then re-evaluates the enabling rules
    virtual void ActionsChanged() = 0;
    // Hosts a page as the next tab of `tabs`, or, without tabs, one its subsystem has placed itself.
    virtual void AddPage(TPage* page, QTabWidget* tabs) = 0;
    virtual const std::vector<TPage*>& Pages() const = 0;
    // While a scenario runs, the pages it drives are closed to the user.
    virtual void SetRunning(bool running) = 0;

protected:
    ~TPageHost() = default;
};

// The stored sizes of the window's .frm section; sizes beyond the screen's reach read as absent (-1).
struct TStoredSizes {
    const zorb::TIniFile& Frm;
    const std::string& Section;
    int MaxWidth;
    int MaxHeight;

    int Width(const std::string& key) const;
    int Height(const std::string& key) const;
};

class TPage : public QWidget {
    Q_OBJECT
public:
    TPage(TPageHost& host, QWidget* parent);

    virtual QString Title() const = 0;
    virtual void Attach(zorb::TTemplateMain& app) = 0; // models are made once the application exists
    virtual void LanguageChanged() = 0;                // toolbar, captions and hints; the actions are new
    virtual void ActionsChanged(bool /*busy*/) {}      // widgets that follow the actions' state
    virtual void RestoreState(const TStoredSizes& /*sizes*/) {}
    // shown: the splitters have been laid out, so their sizes mean something.
    virtual void SaveState(zorb::TIniFile& /*frm*/, const std::string& /*section*/, zorb::TFormSettings& /*sizes*/,
                           bool /*shown*/) {}
    // The statistics' method lists were filled again; pages offering methods refill theirs.
    virtual void StatMethodsChanged() {}
    // A panel of the window's status line the page keeps up to date, placed after the first two.
    virtual QWidget* StatusPanel() const { return nullptr; }
    // Pages a running scenario drives are disabled for the run.
    virtual bool DrivenByScenarios() const { return false; }

protected:
    // Shows or hides the page's tab; `front` brings a shown one to the front.
    void ShowTab(bool shown, bool front);
    QTabWidget* Tabs() const;

    QToolBar* NewToolBar();
    // Refills the toolbar with the actions of these ids, in this order; unknown ids are skipped.
    void FillToolBar(QToolBar* bar, const std::string& toolbar) const;
    // A read-only list of whole rows, the look every grid of the window shares.
    void SetupRowView(QTableView* view, const char* objectName) const;
    // The rows selected in the view, in the order they were selected: what the lists hand their controllers.
    static std::vector<int> SelectedRows(const QTableView* view);
    // Columns follow their contents (the header and the widest visible cell) while shown, until a width is stored
    // or set by the user; install once the view has its model.
    static void FitColumnsToContents(QTableView* view);
    static void RefitColumns(QTableView* view); // columns were shown again or their texts changed language
    static void RestoreColumnWidths(QTableView* view, const TStoredSizes& sizes, const char* listName, int count);
    // A hidden column reports no width; writeHidden = false keeps its stored one for when it shows again. A column
    // still following its contents is not written, so that it keeps following them at the next start.
    static void SaveColumnWidths(const QTableView* view, zorb::TIniFile& frm, const std::string& section,
                                 const char* listName, int count, bool writeHidden);

    TPageHost& FHost;
    zorb::TTemplateMain* FApp = nullptr;
};

// A subsystem's share of the window that has no page: it answers its interface with dialogs of its own.
class TDialogHost : public QObject {
    Q_OBJECT
public:
    explicit TDialogHost(QWidget* window) : QObject(window), FWindow(window) {}
    virtual void Attach(zorb::TTemplateMain& app) { FApp = &app; }

protected:
    QWidget* FWindow;
    zorb::TTemplateMain* FApp = nullptr;
};
