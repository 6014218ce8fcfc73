#include "app/DrawDialog.h"

#include "core/TextUtils.h"

namespace zorb {

bool ParseDrawNumbers(std::string_view text, uint8_t numbers[6]) {
    auto words = SplitWords(text, ",;");
    if (words.size() != 6) return false;
    uint8_t parsed[6];
    for (int i = 0; i < 6; ++i) {
        int32_t v;
        if (!TryStrToInt(Trim(words[static_cast<size_t>(i)]), v) || v < MinNumber || v > MaxNumber) return false;
        for (int j = 0; j < i; ++j)
            if (parsed[j] == v) return false;
        parsed[i] = static_cast<uint8_t>(v);
    }
    for (int i = 0; i < 6; ++i) numbers[i] = parsed[i];
    return true;
}

std::string DrawNumbersText(const TDrawRec& draw) {
    return CombToList(DrawNumbers(draw));
}

} // namespace zorb
