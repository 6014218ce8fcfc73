#include "stakes/StakeTables.h"

#include "core/ByteRecord.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/TextUtils.h"

#include <algorithm>
#include <cstring>

namespace zorb {

std::array<uint8_t, RegularTableSize> EncodeTable(const TRegularTable& t) {
    std::array<uint8_t, RegularTableSize> b{};
    std::string c = Utf8ToCp1251(t.Comment);
    if (c.size() > 255) c.resize(255);
    b[0] = static_cast<uint8_t>(c.size());
    std::memcpy(&b[1], c.data(), c.size());
    b[256] = t.UseLastDraw ? 1 : 0;
    std::memcpy(&b[257], t.StartComb.N, 6);
    std::memcpy(&b[263], t.CurrentComb.N, 6);
    PutI32(&b[272], t.Step);
    PutI32(&b[276], t.StakeCount);
    return b;
}

TRegularTable DecodeTable(const uint8_t* b) {
    TRegularTable t;
    t.Comment = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(b + 1), b[0]));
    t.UseLastDraw = b[256] == 1;
    std::memcpy(t.StartComb.N, b + 257, 6);
    std::memcpy(t.CurrentComb.N, b + 263, 6);
    t.Step = GetI32(b + 272);
    t.StakeCount = GetI32(b + 276);
    return t;
}

TRegularTables LoadTablesFile(const std::string& path) {
    TRegularTables tables;
    if (!FileExists(path)) return tables;
    const std::string bytes = ReadFileBytes(path);
    for (size_t at = 0; at + RegularTableSize <= bytes.size(); at += RegularTableSize)
        tables.push_back(DecodeTable(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
    return tables;
}

void SaveTablesFile(const std::string& path, const TRegularTables& tables) {
    std::string bytes;
    bytes.reserve(tables.size() * RegularTableSize);
    for (const TRegularTable& t : tables) {
        const auto b = EncodeTable(t);
        bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    WriteFileAtomic(path, bytes);
}

bool ValidComb(const TComb& comb) {
    TNumberMask seen{};
    for (uint8_t n : comb.N) {
        if (n < MinNumber || n > MaxNumber || seen.Contains(n)) return false;
        seen.Include(n);
    }
    return true;
}

bool ParseTableComb(std::string_view text, TComb& comb) {
    std::vector<std::string> pieces;
    std::string piece;
    for (char ch : text) {
        if (ch == ';' || ch == ',') {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece += ch;
        }
    }
    pieces.push_back(piece);
    if (pieces.size() != 6) return false;
    TComb c{};
    for (size_t i = 0; i < 6; ++i) {
        int32_t v;
        if (!TryStrToInt(Trim(pieces[i]), v) || v < MinNumber || v > MaxNumber) return false;
        c.N[i] = static_cast<uint8_t>(v);
    }
    if (!ValidComb(c)) return false;
    SortComb(c);
    comb = c;
    return true;
}

bool AdvanceTable(TRegularTable& table, const TDrawsArray& draws, int offset) {
    const TComb base = table.UseLastDraw ? DrawNumbersAtOffset(draws, offset) : table.CurrentComb;
    if (!ValidComb(base) || table.Step < -MaxTableStep || table.Step > MaxTableStep) return false;
    TComb next = ShiftComb(base, table.Step);
    SortComb(next);
    table.CurrentComb = next;
    ++table.StakeCount;
    return true;
}

} // namespace zorb
