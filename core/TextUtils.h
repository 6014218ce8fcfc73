// String helpers shared by every module. Texts are UTF-8; code page 1251 appears only at the file edges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorb {

// Trims characters up to and including the space, as the user-facing parsers expect.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Splits at any of the separator characters; runs of separators count as one and empty pieces are dropped.
std::vector<std::string> SplitWords(std::string_view s, std::string_view separators);
// Splits at every occurrence of the separator character, keeping empty pieces.
std::vector<std::string> SplitKeepEmpty(std::string_view s, char separator);
std::string Join(const std::vector<std::string>& parts, std::string_view separator);
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to);

// Decimal integers only: optional sign, digits, nothing else (callers trim first when they allow blanks).
bool TryStrToInt(std::string_view s, int32_t& value);
bool TryStrToInt64(std::string_view s, int64_t& value);
// Accepts "." or "," as the decimal separator.
bool TryStrToFloat(std::string_view s, double& value);

// A decimal as a dialog field takes it: an optional minus, digits and at most one decimal point, "." and ","
// alike, whatever the locale; no group separators, exponent or blanks.
bool TryParseDecimal(std::string_view s, double& value);
// How a decimal field's text stands while it is typed: Invalid refuses the keystroke (a character that cannot
// belong, more than `decimals` fraction digits, or a magnitude past the range); Intermediate may still become
// a value in [lo, hi].
enum class TDecimalInput { Invalid, Intermediate, Acceptable };
TDecimalInput CheckDecimalInput(std::string_view s, int decimals, double lo, double hi);

// Calls f for each line (LF or CR LF ends a line, the last may have no end) until f returns false.
template <class F> void ForEachLine(std::string_view text, F f) {
    size_t b = 0;
    while (b < text.size()) {
        size_t e = text.find('\n', b);
        if (e == std::string_view::npos) e = text.size();
        std::string_view line = text.substr(b, e - b);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!f(line)) return;
        b = e + 1;
    }
}

// Case-insensitive comparison that folds ASCII and Cyrillic letters.
bool SameText(std::string_view a, std::string_view b);
std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);

bool IsValidUtf8(std::string_view s);
std::string Cp1251ToUtf8(std::string_view s);
// Characters without a code page 1251 form become "?".
std::string Utf8ToCp1251(std::string_view s);
// Text file contents as UTF-8: a UTF-8 BOM is dropped; a file that is not valid UTF-8 is read as code page 1251.
std::string DecodeTextFile(std::string_view bytes);

// "\r" line breaks of the system's messages as the platform's line breaks.
std::string MessageLines(std::string_view s);

} // namespace zorb
