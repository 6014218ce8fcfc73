// The action table: every command of the main window as a name, its texts, an enabling rule, an effect and its
// places in the menus and toolbars. Each subsystem registers its own actions; windows and the command line build
// their commands from the table, and no logic lives outside it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zorb {

// Where an action is shown. Menus and toolbars list their actions by Order (ties keep registration order); a
// group starts with a separator; actions of one submenu sit together at the place of the first.
struct TActionPlace {
    std::string Menu;             // menu id (see TActionTable::DeclareMenu); empty: in no menu
    int Order = 0;                // position in the menu
    bool GroupStart = false;      // a separator before it, unless it comes first
    std::string Submenu = {};     // caption of the submenu holding it (translated), empty: directly in the menu
    std::string Toolbar = {};     // toolbar id of the page that shows it, empty: none
    int ToolbarOrder = 0;         // position on that toolbar
    std::string ToolbarText = {}; // shorter caption on the toolbar (translated), empty: the caption
};

// A place in menu `menu`; with barOrder > 0 also on the toolbar of the same id, barText its shorter caption.
TActionPlace MenuPlace(const std::string& menu, int order, bool group = false, int barOrder = 0,
                       const std::string& barText = {});
// A place on a page's toolbar only.
TActionPlace ToolbarPlace(const std::string& toolbar, int barOrder, const std::string& barText = {});

struct TAction {
    std::string Name; // stable id, e.g. "DrawsAdd"
    std::string Caption, Hint, Shortcut;
    std::function<bool()> Enabled; // the "not busy" condition is added by the application
    std::function<void()> Execute;
    std::function<bool()> Checked = {}; // empty for actions without a check mark
    std::string RadioGroup = {};        // exclusive group, empty otherwise
    // The list whose keyboard focus the shortcut needs, when two actions share one key (empty: the whole window).
    std::string Scope = {};
    TActionPlace Place = {};
    int Registered = 0;     // registration order, set by the table
    bool WhileBusy = false; // enabled during long work too (the stop of a scenario run)
};

// A menu item names an action, opens a submenu, or is a separator (both empty).
struct TMenuItem {
    std::string Action;
    std::string Submenu;
    std::vector<TMenuItem> Items;
};

struct TMenu {
    std::string Caption;
    std::vector<TMenuItem> Items;
};

class TActionTable {
public:
    void Clear();
    // Menus appear in the order declared; the caption is shown translated.
    void DeclareMenu(const std::string& id, const std::string& caption);
    // Caption, hint and the place's texts are translated here; `translate` false keeps them (language names).
    void Add(TAction action, TActionPlace place = {}, bool translate = true);

    const std::vector<TAction>& Actions() const { return FActions; }
    const TAction* Find(const std::string& name) const;
    std::vector<TMenu> Menus() const;
    std::vector<std::string> ToolbarNames() const; // in the order their first action was registered
    std::vector<const TAction*> ToolbarActions(const std::string& toolbar) const;

private:
    std::vector<TAction> FActions;
    std::vector<std::pair<std::string, std::string>> FMenus; // id, caption
};

} // namespace zorb
