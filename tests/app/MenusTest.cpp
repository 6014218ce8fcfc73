// The menu tree and the toolbars built from the action table, against the layout the window has always shown.
#include "AppFixture.h"

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

} // namespace
} // namespace zorb::test
