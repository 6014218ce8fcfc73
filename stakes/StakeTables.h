// Regular stake tables: a rule that makes one six-number stake per draw by moving every number of a base
// combination by a fixed step around the ring 1..52. The base is the table's own latest combination or the
// numbers of the previous draw. Stored as 280-byte records in "<name>.ltb", in list order.
#pragma once

#include "core/KestoUtils.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorb {

constexpr size_t RegularTableSize = 280;
constexpr int MaxTableCommentLength = 64;
constexpr int MaxTableStep = 52;

struct TRegularTable {
    std::string Comment; // UTF-8 in memory; code page 1251, at most 255 bytes, in the file
    bool UseLastDraw = false;
    TComb StartComb{};   // ascending; zero when created without one
    TComb CurrentComb{}; // ascending: the latest stake's numbers
    int32_t Step = 1;
    int32_t StakeCount = 0;
};

std::array<uint8_t, RegularTableSize> EncodeTable(const TRegularTable& t);
TRegularTable DecodeTable(const uint8_t* bytes); // never fails: every field is taken as it stands

using TRegularTables = std::vector<TRegularTable>;
// A missing file gives no tables; a trailing partial record is ignored. Raises when the file cannot be read.
TRegularTables LoadTablesFile(const std::string& path);
// Through a temporary file and a rename: a failed write keeps the previous tables.
void SaveTablesFile(const std::string& path, const TRegularTables& tables);

// Six different numbers 1..52.
bool ValidComb(const TComb& comb);
// Exactly six pieces separated by ";" or ",", each trimmed an integer 1..52, all different; stored ascending.
bool ParseTableComb(std::string_view text, TComb& comb);

// The next stake of the table at this draws offset: the base (the draw at the offset, or CurrentComb) with every
// number shifted, sorted. False, and the table unchanged, when the base is not six different numbers 1..52
// (no draw at that offset, a table made without a combination): shifting it would stake equal numbers.
bool AdvanceTable(TRegularTable& table, const TDrawsArray& draws, int offset);

} // namespace zorb
