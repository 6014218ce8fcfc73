#include "core/TextUtils.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <iconv.h>
#include <memory>

namespace zorb {

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> SplitWords(std::string_view s, std::string_view separators) {
    std::vector<std::string> r;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && separators.find(s[i]) != std::string_view::npos) ++i;
        size_t b = i;
        while (i < s.size() && separators.find(s[i]) == std::string_view::npos) ++i;
        if (i > b) r.emplace_back(s.substr(b, i - b));
    }
    return r;
}

std::vector<std::string> SplitKeepEmpty(std::string_view s, char separator) {
    std::vector<std::string> r;
    size_t b = 0;
    for (;;) {
        size_t e = s.find(separator, b);
        if (e == std::string_view::npos) {
            r.emplace_back(s.substr(b));
            return r;
        }
        r.emplace_back(s.substr(b, e - b));
        b = e + 1;
    }
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string r;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) r += separator;
        r += parts[i];
    }
    return r;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
    if (from.empty()) return s;
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::string::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
    return s;
}

bool TryStrToInt64(std::string_view s, int64_t& value) {
    if (s.empty()) return false;
    size_t start = (s[0] == '+') ? 1 : 0; // from_chars rejects a plus sign
    if (start == 1 && (s.size() == 1 || s[1] == '-')) return false;
    int64_t v = 0;
    auto [p, ec] = std::from_chars(s.data() + start, s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return false;
    value = v;
    return true;
}

bool TryStrToInt(std::string_view s, int32_t& value) {
    int64_t v;
    if (!TryStrToInt64(s, v) || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool TryStrToFloat(std::string_view s, double& value) {
    std::string t = Trim(s);
    if (t.empty()) return false;
    for (char& c : t)
        if (c == ',') c = '.';
    size_t start = t[0] == '+' ? 1 : 0;
    if (start == 1 && (t.size() == 1 || t[1] == '-')) return false;
    double v = 0;
    auto [p, ec] = std::from_chars(t.data() + start, t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size()) return false;
    value = v;
    return true;
}

// Sign, digit and separator counts of a decimal field's text; false for a character that cannot belong.
static bool ScanDecimal(std::string_view s, bool& negative, int& intDigits, int& fracDigits, bool& point) {
    negative = point = false;
    intDigits = fracDigits = 0;
    size_t i = 0;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            ++(point ? fracDigits : intDigits);
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return true;
}

bool TryParseDecimal(std::string_view s, double& value) {
    bool negative, point;
    int intDigits, fracDigits;
    if (!ScanDecimal(s, negative, intDigits, fracDigits, point) || intDigits + fracDigits == 0) return false;
    std::string t(s);
    for (char& c : t)
        if (c == ',') c = '.';
    double v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size()) return false;
    value = v;
    return true;
}

TDecimalInput CheckDecimalInput(std::string_view s, int decimals, double lo, double hi) {
    bool negative, point;
    int intDigits, fracDigits;
    if (!ScanDecimal(s, negative, intDigits, fracDigits, point)) return TDecimalInput::Invalid;
    if ((negative && lo >= 0) || (point && decimals <= 0) || fracDigits > decimals) return TDecimalInput::Invalid;
    double v;
    if (!TryParseDecimal(s, v))
        return intDigits + fracDigits == 0 ? TDecimalInput::Intermediate : TDecimalInput::Invalid;
    // Further digits only move the value away from zero, so a value past the bound on its own side is final.
    if ((v > hi && v > 0) || (v < lo && v < 0)) return TDecimalInput::Invalid;
    return v >= lo && v <= hi ? TDecimalInput::Acceptable : TDecimalInput::Intermediate;
}

// --- UTF-8 code points ---------------------------------------------------------------------------------

static bool DecodeUtf8(std::string_view s, size_t& i, char32_t& cp) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc >> 6) != 2) return false;
        cp = (cp << 6) | (cc & 0x3F);
    }
    static const char32_t minForLen[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minForLen[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
    return true;
}

static void EncodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    char32_t cp;
    while (i < s.size())
        if (!DecodeUtf8(s, i, cp)) return false;
    return true;
}

static char32_t FoldLower(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp >= 0x410 && cp <= 0x42F) return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
    return cp;
}

static char32_t FoldUpper(char32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 32;
    if (cp >= 0x430 && cp <= 0x44F) return cp - 0x20;
    if (cp >= 0x450 && cp <= 0x45F) return cp - 0x50;
    return cp;
}

template <class F> static std::string MapCase(std::string_view s, F f) {
    std::string r;
    r.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        char32_t cp;
        size_t start = i;
        if (DecodeUtf8(s, i, cp)) {
            EncodeUtf8(f(cp), r);
        } else {
            r += s[start];
            i = start + 1;
        }
    }
    return r;
}

std::string LowerCase(std::string_view s) {
    return MapCase(s, FoldLower);
}

std::string UpperCase(std::string_view s) {
    return MapCase(s, FoldUpper);
}

bool SameText(std::string_view a, std::string_view b) {
    return LowerCase(a) == LowerCase(b);
}

// --- Code page 1251 ---------------------------------------------------------------------------------------

namespace {
struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts with iconv; a character the target cannot hold becomes "?" and conversion goes on.
std::string Convert(std::string_view s, const char* to, const char* from, size_t badInputStep) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(s);
    std::unique_ptr<void, IconvCloser> guard(cd);
    std::string out;
    out.reserve(s.size() * 2);
    char* in = const_cast<char*>(s.data());
    size_t inLeft = s.size();
    char buf[1024];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof(buf);
        size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: skip the offending input and mark it.
            out += '?';
            size_t step = badInputStep;
            if (badInputStep == 0) { // UTF-8 input: skip one whole sequence
                size_t i = 0;
                char32_t cp;
                std::string_view rest(in, inLeft);
                step = DecodeUtf8(rest, i, cp) ? i : 1;
            }
            step = std::min(step, inLeft);
            in += step;
            inLeft -= step;
        }
    }
    return out;
}
} // namespace

std::string Cp1251ToUtf8(std::string_view s) {
    return Convert(s, "UTF-8", "CP1251", 1);
}

std::string Utf8ToCp1251(std::string_view s) {
    return Convert(s, "CP1251", "UTF-8", 0);
}

std::string DecodeTextFile(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Cp1251ToUtf8(bytes);
}

std::string MessageLines(std::string_view s) {
    return ReplaceAll(ReplaceAll(std::string(s), "\r\n", "\n"), "\r", "\n");
}

} // namespace zorb
