#include "app/StakeDialog.h"

#include "core/TextUtils.h"

namespace zorb {

bool ParseStakeNumbers(std::string_view text, TNumberSet& numbers) {
    const auto pieces = SplitWords(text, ";,");
    if (pieces.size() < MinStakeNumbers || pieces.size() > MaxStakeDialogNumbers) return false;
    TNumberSet r{};
    for (const std::string& p : pieces) {
        int32_t v;
        if (!TryStrToInt(Trim(p), v) || v < MinNumber || v > MaxNumber) return false;
        for (int i = 0; i < r.Count; ++i)
            if (r.Numbers[i] == v) return false;
        r.Numbers[r.Count++] = static_cast<uint8_t>(v);
    }
    SortNumberSet(r);
    numbers = r;
    return true;
}

int StakeNumbersSum(std::string_view text) {
    int sum = 0;
    for (const std::string& p : SplitWords(text, ";,")) {
        int32_t v;
        if (TryStrToInt(Trim(p), v)) sum += v;
    }
    return sum;
}

} // namespace zorb
