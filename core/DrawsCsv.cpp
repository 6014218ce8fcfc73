#include "core/DrawsCsv.h"

#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/TextUtils.h"

namespace zorb {

namespace {

bool Blank(unsigned char c) {
    return c >= 1 && c <= 32;
}

// The integer of a field as a byte the way the archive holds numbers; 0 (which no draw holds) when it is not a
// number of the game. The range is checked before narrowing, so 257 cannot pass as 1.
uint8_t NumberByte(const std::string& field) {
    int32_t v;
    if (!TryStrToInt(field, v) || v < MinNumber || v > MaxNumber) return 0;
    return static_cast<uint8_t>(v);
}

void FillDraw(TDrawRec& d, const std::string& date, const std::vector<std::string>& fields, size_t firstNumber) {
    d.SetDate(date.substr(0, 10));
    for (size_t k = 0; k < 6; ++k) d.Numbers[k] = NumberByte(fields[firstNumber + k]);
}

} // namespace

std::vector<std::string> SplitCsvFields(std::string_view line) {
    std::vector<std::string> fields;
    const size_t n = line.size();
    size_t i = 0;
    while (i < n && Blank(static_cast<unsigned char>(line[i]))) ++i;
    while (i < n) {
        const size_t start = i;
        std::string f;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        f += '"';
                        i += 2;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    f += line[i++];
                }
            }
        } else {
            while (i < n && line[i] != ';' && static_cast<unsigned char>(line[i]) > 32) f += line[i++];
        }
        fields.push_back(std::move(f));
        while (i < n && Blank(static_cast<unsigned char>(line[i]))) ++i;
        if (i < n && line[i] == ';') {
            ++i;
            const bool last = i == n;
            while (i < n && Blank(static_cast<unsigned char>(line[i]))) ++i;
            if (last) fields.emplace_back();
        } else if (i == start) {
            ++i; // a character that neither starts nor ends a field (a NUL) must not stop the walk
        }
    }
    return fields;
}

bool PlainDrawNumbers(const TDrawRec& draw) {
    uint64_t seen = 0;
    for (uint8_t n : draw.Numbers) {
        if (n < MinNumber || n > MaxNumber || (seen >> n & 1)) return false;
        seen |= 1ull << n;
    }
    return true;
}

TCsvReadStats ImportDrawsText(std::string_view text, TDrawsArray& draws) {
    TCsvReadStats stats;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    ForEachLine(text, [&](std::string_view line) {
        if (Trim(line).empty()) return true;
        const auto fields = SplitCsvFields(line);
        TDrawRec d{};
        if (fields.size() == 7) {
            d.Draw = static_cast<int32_t>(draws.size()) + 1;
            FillDraw(d, fields[0], fields, 1);
        } else if (fields.size() == 8) {
            int32_t number;
            d.Draw = TryStrToInt(fields[0], number) ? number : 0;
            FillDraw(d, fields[1], fields, 2);
        } else {
            return true;
        }
        if (d.Draw <= 0) return true;
        if (FindDraw(draws, d.Draw) >= 0) {
            ++stats.Duplicates;
            return true;
        }
        if (!PlainDrawNumbers(d)) {
            ++stats.BadNumbers;
            return true;
        }
        draws.push_back(d);
        ++stats.Added;
        return true;
    });
    return stats;
}

std::string ExportDrawsText(const TDrawsArray& draws) {
    std::string out;
    out.reserve(draws.size() * 40);
    for (const TDrawRec& d : draws) {
        out += std::to_string(d.Draw);
        out += ";\"" + ReplaceAll(d.Date(), "\"", "\"\"") + "\"";
        for (uint8_t n : d.Numbers) out += ";" + std::to_string(n);
        out += "\r\n";
    }
    return out;
}

bool RangeOfFileName(const std::string& fileName, const std::string& prefix, int& first, int& last) {
    std::string name = fileName;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    if (LowerCase(name).rfind(LowerCase(prefix), 0) != 0) return false;
    const auto parts = SplitKeepEmpty(name.substr(prefix.size()), '-');
    int32_t a = 0, b = 0;
    first = parts.size() >= 1 && TryStrToInt(Trim(parts[0]), a) ? a : 0;
    last = parts.size() >= 2 && TryStrToInt(Trim(parts[1]), b) ? b : 0;
    return true;
}

namespace {

// One line of a range file; false once the draws before `next` are reached.
class TRangeReader {
public:
    TRangeReader(int next, int& badNumbers) : FNext(next), FBad(badNumbers) {}
    bool Line(std::string_view line) {
        if (FHeader) {
            FHeader = false;
            return true;
        }
        const auto fields = SplitCsvFields(line);
        if (fields.size() < 10) return true;
        TDrawRec d{};
        int32_t number;
        d.Draw = TryStrToInt(fields[0], number) ? number : 0;
        if (d.Draw < FNext) return false;
        FillDraw(d, fields[1], fields, 4);
        if (PlainDrawNumbers(d))
            Result.push_back(d);
        else
            ++FBad;
        return true;
    }
    std::vector<TDrawRec> Result;

private:
    int FNext;
    int& FBad;
    bool FHeader = true;
};

} // namespace

std::vector<TDrawRec> ReadRangeFile(std::string_view text, int next, int& badNumbers) {
    TRangeReader r(next, badNumbers);
    ForEachLine(text, [&](std::string_view line) { return r.Line(line); });
    return std::move(r.Result);
}

std::vector<TDrawRec> ReadRangeFileAt(const std::string& path, int next, int& badNumbers) {
    TRangeReader r(next, badNumbers);
    ForEachFileLine(path, [&](std::string_view line) { return r.Line(line); });
    return std::move(r.Result);
}

} // namespace zorb
