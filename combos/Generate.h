// Generation of the combination list: the full set in lexicographic order, subsets by the user's own numbers,
// or a prepared file.
#pragma once

#include "combos/CombsArray.h"

#include <string>

namespace zorb {

enum TGenerateMode : int { gmFull = 0, gmAnyOfMine = 1, gmOnlyMine = 2, gmNoneOfMine = 3, gmFile = 4 };
constexpr int GenerateModeCount = 5;
const char* GenerateModeCaption(int mode);

// Words split at "," and ";", each trimmed and read as an integer (0 when not one); values 0..255 are members.
TNumberMask ParseMyNumbers(const std::string& text);

// Fills `list` for the mode. The file mode reads `params` as a file name and raises EZorbError when it cannot be
// read, keeping what was read. Returns the number of lines with numbers outside 1..52 or repeated numbers (file
// mode only; generated lists never have them).
size_t GenerateCombs(TCombsArray& list, int mode, const std::string& params);

// How many combinations GenerateCombs makes for the mode, counted without making them (a file is read; 0 when it
// cannot be).
size_t GeneratedCount(int mode, const std::string& params);

// The full set, (1,2,3,4,5,6) .. (47,48,49,50,51,52), written in parallel; `out` must hold 20 358 520 entries.
void GenerateFullSet(TComb* out);

} // namespace zorb
