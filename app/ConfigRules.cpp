#include "app/ConfigRules.h"

#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

namespace zorb {

bool ParseSegmentCell(const std::string& text, uint8_t& segment) {
    std::string t = Trim(text);
    if (t.empty()) {
        segment = 1;
        return true;
    }
    if (t.size() != 1 || t[0] < '1' || t[0] > '9') return false;
    segment = static_cast<uint8_t>(t[0] - '0');
    return true;
}

std::string BadSegmentMessage(const std::string& text) {
    return Format(Tr("Некорректное значение: %s!\r\rУкажите любое число от 1 до 9"), text);
}

Currency PrizeFor(const TConfigData& config, int matches) {
    for (const TProfitEntry& e : config.Profits)
        if (e.Overlap == matches) return e.Profit;
    return 0;
}

void SetPrizes(TConfigData& config, const Currency prizes[7]) {
    config.Profits.clear();
    for (int k = 0; k <= NumbersPerDraw; ++k) config.Profits.push_back({static_cast<uint8_t>(k), prizes[k]});
}

std::string PrizeRowText(int matches, Currency prize) {
    return Format("%d=%.2f", matches, CurrencyToDouble(prize));
}

} // namespace zorb
