// A tab of the main window: it owns its models, views and toolbar and the column widths it stores; the window
// hosts it and forwards the calls that concern it.
#pragma once

#include <QWidget>
#include <initializer_list>
#include <string>
#include <vector>

class QAction;
class QTableView;
class QToolBar;

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

protected:
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
