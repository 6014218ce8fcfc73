// Rules of the settings dialog shared by every front end.
#pragma once

#include "stats/GameSettings.h"

#include <string>

namespace zorb {

// The field ranges (MinMatrixCols ...) are those of the settings file, in stats/GameSettings.h.

// A segment cell: empty counts as 1; otherwise a single digit 1..9.
bool ParseSegmentCell(const std::string& text, uint8_t& segment);
std::string BadSegmentMessage(const std::string& text); // "Некорректное значение: %s!..."

// Prize of the first table row for `matches`, 0 when none.
Currency PrizeFor(const TConfigData& config, int matches);
// Replaces the prize table by one row per match count 0..6.
void SetPrizes(TConfigData& config, const Currency prizes[7]);
std::string PrizeRowText(int matches, Currency prize); // "%d=%.2f"

} // namespace zorb
