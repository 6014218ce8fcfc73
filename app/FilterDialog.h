// Rules of the filter dialog, shared by the window and the tests.
#pragma once

#include "combos/FilterItem.h"
#include "stats/GameSettings.h"

#include <string>
#include <vector>

namespace zorb {

class TStatList;

// What the dialog shows besides the item: the main window's method list and current choices.
struct TFilterDialogContext {
    std::vector<int> Methods; // registry entries in list order
    std::vector<std::string> MethodNames;
    int CurrentMethod = -1;
    int WindowLength = 1000;
    TWeights Weights; // the settings' coefficients, shown when the item has none of its own
    const TStatList* List = nullptr;
};

// The item a dialog opened on `item` starts with: the defaults, then the item's own fields when it is defined.
TFilterItem FilterDialogStart(const TFilterItem& item, const TFilterDialogContext& ctx);

bool OwnWeightsAllowed(int levelMode); // the weight modes 19, 20, 21

enum class TFilterField { None, Lengths, Values, Method, Stop };
struct TFilterCheck {
    TFilterField Field = TFilterField::None;
    std::string Message;
    bool Ok() const { return Field == TFilterField::None; }
};
// The three checks made on OK, in order.
TFilterCheck CheckFilterDialog(const TFilterItem& item, const TStatList& list);

// Characters the two value-list fields accept.
bool FilterFieldChar(char c);

} // namespace zorb
