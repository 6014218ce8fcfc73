#include "app/Actions.h"

#include "core/Translate.h"

#include <algorithm>

namespace zorb {

TActionPlace MenuPlace(const std::string& menu, int order, bool group, int barOrder, const std::string& barText) {
    TActionPlace p{menu, order, group};
    if (barOrder > 0) {
        p.Toolbar = menu;
        p.ToolbarOrder = barOrder;
        p.ToolbarText = barText;
    }
    return p;
}

TActionPlace ToolbarPlace(const std::string& toolbar, int barOrder, const std::string& barText) {
    TActionPlace p;
    p.Toolbar = toolbar;
    p.ToolbarOrder = barOrder;
    p.ToolbarText = barText;
    return p;
}

void TActionTable::Clear() {
    FActions.clear();
    FMenus.clear();
}

void TActionTable::DeclareMenu(const std::string& id, const std::string& caption) {
    FMenus.emplace_back(id, Tr(caption));
}

void TActionTable::Add(TAction action, TActionPlace place, bool translate) {
    if (translate) {
        action.Caption = Tr(action.Caption);
        action.Hint = Tr(action.Hint);
        if (!place.Submenu.empty()) place.Submenu = Tr(place.Submenu);
        if (!place.ToolbarText.empty()) place.ToolbarText = Tr(place.ToolbarText);
    }
    action.Place = std::move(place);
    action.Registered = static_cast<int>(FActions.size());
    FActions.push_back(std::move(action));
}

const TAction* TActionTable::Find(const std::string& name) const {
    for (const auto& a : FActions)
        if (a.Name == name) return &a;
    return nullptr;
}

std::vector<TMenu> TActionTable::Menus() const {
    std::vector<TMenu> menus;
    for (const auto& [id, caption] : FMenus) {
        std::vector<const TAction*> entries;
        for (const auto& a : FActions)
            if (a.Place.Menu == id) entries.push_back(&a);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const TAction* a, const TAction* b) { return a->Place.Order < b->Place.Order; });
        TMenu menu{caption, {}};
        for (const TAction* a : entries) {
            auto sub = a->Place.Submenu.empty()
                           ? menu.Items.end()
                           : std::find_if(menu.Items.begin(), menu.Items.end(),
                                          [&](const TMenuItem& i) { return i.Submenu == a->Place.Submenu; });
            if (sub != menu.Items.end()) {
                sub->Items.push_back({a->Name, "", {}});
                continue;
            }
            if (a->Place.GroupStart && !menu.Items.empty()) menu.Items.push_back({});
            if (a->Place.Submenu.empty())
                menu.Items.push_back({a->Name, "", {}});
            else
                menu.Items.push_back({"", a->Place.Submenu, {{a->Name, "", {}}}});
        }
        menus.push_back(std::move(menu));
    }
    return menus;
}

std::vector<std::string> TActionTable::ToolbarNames() const {
    std::vector<std::string> names;
    for (const auto& a : FActions)
        if (!a.Place.Toolbar.empty() && std::find(names.begin(), names.end(), a.Place.Toolbar) == names.end())
            names.push_back(a.Place.Toolbar);
    return names;
}

std::vector<const TAction*> TActionTable::ToolbarActions(const std::string& toolbar) const {
    std::vector<const TAction*> r;
    for (const auto& a : FActions)
        if (a.Place.Toolbar == toolbar) r.push_back(&a);
    std::stable_sort(r.begin(), r.end(),
                     [](const TAction* a, const TAction* b) { return a->Place.ToolbarOrder < b->Place.ToolbarOrder; });
    return r;
}

} // namespace zorb
