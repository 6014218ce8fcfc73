// The menu tree and the toolbars built from the action table, against the layout the window has always shown.
#include "AppFixture.h"

#include "core/TextUtils.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace zorb::test {
namespace {

void Dump(std::ostream& out, const std::vector<TMenuItem>& items, int depth) {
    for (const TMenuItem& i : items) {
        out << std::string(static_cast<size_t>(depth) * 2, ' ');
        if (!i.Submenu.empty()) {
            out << "> " << i.Submenu << "\n";
            Dump(out, i.Items, depth + 1);
        } else {
            out << (i.Action.empty() ? "-" : i.Action) << "\n";
        }
    }
}

TEST_F(AppTest, MenusAndToolbarsKeepTheirLayout) {
    Start();
    std::ostringstream out;
    for (const TMenu& m : App->Menus()) {
        out << "[" << m.Caption << "]\n";
        Dump(out, m.Items, 1);
    }
    for (const std::string& bar : App->ToolbarNames()) {
        out << "{" << bar << "}\n";
        for (const TAction* a : App->ToolbarActions(bar))
            out << "  " << a->Name << (a->Place.ToolbarText.empty() ? "" : " \"" + a->Place.ToolbarText + "\"") << "\n";
    }
    const std::string golden = ZORB_TEST_DATA "/app/menus.txt";
    if (std::getenv("ZORB_WRITE_GOLDEN")) WriteRaw(golden, out.str());
    EXPECT_EQ(out.str(), ReadRaw(golden));
}

// "Shift+Ctrl+Ins" and "ctrl+shift+ins" are one key.
std::string KeyOf(const std::string& shortcut) {
    std::vector<std::string> parts = SplitKeepEmpty(LowerCase(shortcut), '+');
    const std::string key = parts.back();
    parts.pop_back();
    std::sort(parts.begin(), parts.end());
    parts.push_back(key);
    return Join(parts, "+");
}

TEST_F(AppTest, EveryShortcutBelongsToOneAction) {
    Start();
    std::map<std::string, std::vector<const TAction*>> byKey;
    for (const TAction& a : App->Actions())
        if (!a.Shortcut.empty()) byKey[KeyOf(a.Shortcut)].push_back(&a);
    ASSERT_GT(byKey.size(), 30u);
    for (const auto& [key, actions] : byKey) {
        if (actions.size() == 1) continue;
        // Only list actions may share a key, each in a list of its own: it works there while the list has the focus.
        std::set<std::string> scopes;
        for (const TAction* a : actions) {
            EXPECT_FALSE(a->Scope.empty()) << key << ": " << a->Name << " shares it with another action";
            EXPECT_TRUE(scopes.insert(a->Scope).second) << key << ": twice in " << a->Scope;
        }
    }
}

} // namespace
} // namespace zorb::test
