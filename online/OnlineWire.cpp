#include "online/OnlineWire.h"

#include "core/TextUtils.h"

#include <cmath>
#include <ctime>

namespace zorb {

std::string EscapeRequest(std::string_view text) {
    static const char* const Controls[14] = {"\\0", "\\1", "\\2", "\\3", "\\4", "\\5", "\\6",
                                             "\\a", "\\b", "\\t", "\\n", "\\v", "\\f", "\\r"};
    std::string r;
    r.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 14)
            r += Controls[c];
        else if (c == 27)
            r += "\\e";
        else if (ch == '"' || ch == '\'' || ch == '?' || ch == '\\') {
            r += '\\';
            r += ch;
        } else
            r += ch;
    }
    return r;
}

bool UnescapeRequest(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return false;
        const char c = text[i];
        if (c >= '0' && c <= '6')
            out += static_cast<char>(c - '0');
        else {
            switch (c) {
            case 'a': out += '\a'; break;
            case 'b': out += '\b'; break;
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'v': out += '\v'; break;
            case 'f': out += '\f'; break;
            case 'r': out += '\r'; break;
            case 'e': out += '\x1b'; break;
            case '"':
            case '\'':
            case '?':
            case '\\': out += c; break;
            default: return false;
            }
        }
    }
    return true;
}

namespace {
const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
} // namespace

std::string Base64Encode(std::string_view bytes) {
    std::string r;
    r.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v =
            uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
        r += Alphabet[v >> 18];
        r += Alphabet[(v >> 12) & 63];
        r += Alphabet[(v >> 6) & 63];
        r += Alphabet[v & 63];
    }
    if (i < bytes.size()) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        r += Alphabet[v >> 18];
        r += Alphabet[(v >> 12) & 63];
        r += i + 1 < bytes.size() ? Alphabet[(v >> 6) & 63] : '=';
        r += '=';
    }
    return r;
}

bool Base64Decode(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size() / 4 * 3);
    uint32_t acc = 0;
    int bits = 0, quads = 0, padding = 0;
    for (char c : text) {
        if (c == '\r' || c == '\n') continue;
        if (c == '=') {
            ++padding;
            ++quads;
            continue;
        }
        const int v = Sextet(c);
        if (v < 0 || padding > 0) return false; // data after padding
        acc = acc << 6 | uint32_t(v);
        bits += 6;
        ++quads;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    if (quads % 4 != 0 || padding > 2) return false;
    // The unused bits of the last sextet must be zero, or two texts would decode alike.
    return (acc & ((1u << bits) - 1)) == 0;
}

size_t Utf8Length(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

bool IsCleanText(std::string_view text, bool allowLineBreaks) {
    if (!IsValidUtf8(text)) return false;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r' || c == '\n') {
            if (!allowLineBreaks) return false;
        } else if (c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

namespace {
constexpr double UnixEpoch = 25569.0; // 1970-01-01 in days since 1899-12-30

bool Digits(std::string_view s, size_t from, size_t count, int& value) {
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}
} // namespace

std::string FormatUtcSeconds(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

bool ParseServerDate(std::string_view text, TDateTime& local) {
    local = 0;
    const std::string t = Trim(text);
    if (t.empty()) return true;
    int y, mo, d, h, mi, s;
    if (t.size() != 19 || !Digits(t, 0, 4, y) || !Digits(t, 5, 2, mo) || !Digits(t, 8, 2, d) || !Digits(t, 11, 2, h) ||
        !Digits(t, 14, 2, mi) || !Digits(t, 17, 2, s))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 1900) return false;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    const time_t utc = timegm(&tm);
    std::tm back{};
    gmtime_r(&utc, &back);
    if (back.tm_mday != d) return false; // 31 February
    local = UnixSecondsToLocal(utc);
    return true;
}

TDateTime UnixSecondsToLocal(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    // The local wall-clock time read as if it were UTC gives the day count with the local offset applied.
    return UnixEpoch + static_cast<double>(timegm(&tm)) / 86400.0;
}

int64_t LocalToUnixSeconds(TDateTime local) {
    const int64_t wall = std::llround((local - UnixEpoch) * 86400.0);
    const time_t w = static_cast<time_t>(wall);
    std::tm tm{};
    gmtime_r(&w, &tm);
    tm.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&tm));
}

std::string FormatDateTime(TDateTime local) {
    if (local <= 0) return "";
    return FormatUtcSeconds(std::llround((local - UnixEpoch) * 86400.0));
}

TDateTime NowLocal() {
    return UnixSecondsToLocal(static_cast<int64_t>(std::time(nullptr)));
}

} // namespace zorb
