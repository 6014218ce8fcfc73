#include "combos/CombFiles.h"

#include "core/FileUtils.h"
#include "core/KestoUtils.h"
#include "core/TextUtils.h"

#include <charconv>

namespace zorb {

bool IsOddComb(const TComb& c) {
    uint64_t seen = 0;
    for (uint8_t n : c.N) {
        if (n < MinNumber || n > MaxNumber) return true;
        const uint64_t bit = 1ull << n;
        if (seen & bit) return true;
        seen |= bit;
    }
    return false;
}

namespace {

bool IsSeparator(char c, std::string_view separators) {
    return separators.find(c) != std::string_view::npos;
}

// A word read as a decimal integer after trimming; 0 when it is not one or does not fit a byte.
uint8_t WordValue(std::string_view w) {
    size_t b = 0, e = w.size();
    while (b < e && static_cast<unsigned char>(w[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(w[e - 1]) <= ' ') --e;
    w = w.substr(b, e - b);
    if (!w.empty() && w[0] == '+') w.remove_prefix(1);
    int v = 0;
    auto [p, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    if (w.empty() || ec != std::errc() || p != w.data() + w.size() || v < 0 || v > 255) return 0;
    return static_cast<uint8_t>(v);
}

// Splits one line into exactly six words; false otherwise. Runs of separators count as one.
bool SixWords(std::string_view line, std::string_view separators, TComb& comb) {
    int count = 0;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSeparator(line[i], separators)) ++i;
        if (i >= line.size()) break;
        size_t b = i;
        while (i < line.size() && !IsSeparator(line[i], separators)) ++i;
        if (count == 6) return false;
        comb.N[count++] = WordValue(line.substr(b, i - b));
    }
    return count == 6;
}

bool Blank(std::string_view line) {
    for (char c : line)
        if (static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

char* PutNumber(char* p, uint8_t n, bool padded) {
    if (n >= 100) {
        *p++ = static_cast<char>('0' + n / 100);
        *p++ = static_cast<char>('0' + n / 10 % 10);
    } else if (n >= 10 || padded) {
        *p++ = static_cast<char>('0' + n / 10);
    }
    *p++ = static_cast<char>('0' + n % 10);
    return p;
}

} // namespace

void ReadCombsText(std::string_view text, TCombsArray& list, TCombsReadStats* stats) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    TCombsReadStats s;
    ForEachLine(text, [&](std::string_view line) {
        TComb c;
        if (SixWords(line, ",;", c)) {
            list.Append(c);
            ++s.Read;
            if (IsOddComb(c)) ++s.Odd;
        } else if (!Blank(line)) {
            ++s.Skipped;
        }
        return true;
    });
    if (stats) *stats = s;
}

void LoadCombsFile(const std::string& path, TCombsArray& list, TCombsReadStats* stats) {
    const std::string bytes = ReadFileBytes(path);
    // Lines are at least 12 bytes ("1;2;3;4;5;6" + line break): reserve once instead of growing.
    list.Reserve(list.Count() + bytes.size() / 12 + 1);
    ReadCombsText(bytes, list, stats);
}

std::string CombsFileText(const TComb* combs, size_t n) {
    std::string out(n * 26, '\0'); // "255;255;255;255;255;255\r\n" at most
    char* p = out.data();
    for (size_t i = 0; i < n; ++i) {
        for (int k = 0; k < 6; ++k) {
            if (k) *p++ = ';';
            p = PutNumber(p, combs[i].N[k], false);
        }
        *p++ = '\r';
        *p++ = '\n';
    }
    out.resize(static_cast<size_t>(p - out.data()));
    return out;
}

void SaveCombsFile(const std::string& path, const TCombsArray& list) {
    WriteFileAtomic(path, CombsFileText(list.Data(), list.Count()));
}

std::string CombsClipboardText(const TComb* combs, const std::vector<size_t>& rows) {
    std::string out(rows.size() * 26, '\0');
    char* p = out.data();
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r) {
            *p++ = '\r';
            *p++ = '\n';
        }
        for (int k = 0; k < 6; ++k) {
            if (k) *p++ = ' ';
            p = PutNumber(p, combs[rows[r]].N[k], true);
        }
    }
    out.resize(static_cast<size_t>(p - out.data()));
    return out;
}

bool ParseClipboardCombs(std::string_view text, TCombsArray& list, std::string& badLine, size_t* odd) {
    list.Clear();
    size_t oddCount = 0;
    bool ok = true;
    ForEachLine(text, [&](std::string_view line) {
        if (Blank(line)) return true;
        TComb c;
        if (!SixWords(line, "\t ,-.:;|", c)) {
            badLine = std::string(line);
            ok = false;
            return false;
        }
        if (IsOddComb(c)) ++oddCount;
        list.Append(c);
        return true;
    });
    if (odd) *odd = oddCount;
    return ok;
}

} // namespace zorb
