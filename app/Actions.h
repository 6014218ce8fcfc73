// The action table: every command of the main window as a name, its texts, an enabling rule and an effect.
// Windows and the command line build their commands from it; no logic lives outside it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zorb {

struct TAction {
    std::string Name; // stable id, e.g. "DrawsAdd"
    std::string Caption, Hint, Shortcut;
    std::function<bool()> Enabled; // the "not busy" condition is added by the application
    std::function<void()> Execute;
    std::function<bool()> Checked = {}; // empty for actions without a check mark
    std::string RadioGroup = {};        // exclusive group, empty otherwise
    // The list whose keyboard focus the shortcut needs, when two actions share one key (empty: the whole window).
    std::string Scope = {};
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

} // namespace zorb
