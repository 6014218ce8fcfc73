// Text forms of combination lists: the *.lcv file ("1;7;19;23;40;52" lines, CR LF) and the clipboard
// ("01 07 19 23 40 52" lines).
#pragma once

#include "combos/CombsArray.h"

#include <string>
#include <string_view>
#include <vector>

namespace zorb {

struct TCombsReadStats {
    size_t Read = 0;    // combinations stored
    size_t Skipped = 0; // non-empty lines that were not six words
    size_t Odd = 0;     // stored combinations with a number outside 1..52 or a repeated number
};

// True when a combination has a number outside 1..52 or one number twice.
bool IsOddComb(const TComb& c);

// Appends the six-word lines of `text` (split at "," and ";"); other lines are skipped. A word that is not a
// number in 0..255 is stored as 0.
void ReadCombsText(std::string_view text, TCombsArray& list, TCombsReadStats* stats = nullptr);
void LoadCombsFile(const std::string& path, TCombsArray& list, TCombsReadStats* stats = nullptr);
std::string CombsFileText(const TComb* combs, size_t n);
void SaveCombsFile(const std::string& path, const TCombsArray& list);

// Selected rows as the clipboard text.
std::string CombsClipboardText(const TComb* combs, const std::vector<size_t>& rows);
// Replaces `list` by the clipboard's combinations; every non-blank line must have six words at TAB, space, ",",
// "-", ".", ":", ";" or "|". On the first bad line returns false with that line, leaving `list` unspecified.
bool ParseClipboardCombs(std::string_view text, TCombsArray& list, std::string& badLine, size_t* odd = nullptr);

} // namespace zorb
