#include "core/Format.h"

#include "core/Errors.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zorb {

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

void InitFormatSettingsFromLocale() {
    // Read the user's numeric conventions, then put the C locale back so number parsing stays predictable.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "")) {
        const std::lconv* lc = std::localeconv();
        if (lc && lc->decimal_point && lc->decimal_point[0] && !lc->decimal_point[1])
            FormatSettings().DecimalSeparator = lc->decimal_point[0];
        if (lc && lc->thousands_sep && lc->thousands_sep[0]) FormatSettings().ThousandSeparator = lc->thousands_sep;
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

namespace {

// A decimal form of a double: value = 0.Digits * 10^Exponent, Digits without leading zeros.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

TDecimal ToDecimal(double v, int significant) {
    TDecimal d;
    d.Negative = std::signbit(v) && v != 0;
    v = std::fabs(v);
    if (v == 0) return d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, v);
    // buf = "d.ddddde+XX"
    const char* e = std::strchr(buf, 'e');
    for (const char* p = buf; p < e; ++p)
        if (*p != '.') d.Digits += *p;
    d.Exponent = std::atoi(e + 1) + 1;
    return d;
}

// Keeps `keep` leading digits, rounding half away from zero; may carry into a new leading digit.
void RoundDigits(TDecimal& d, int keep) {
    if (keep < 0) {
        d.Digits.clear();
        return;
    }
    if (static_cast<size_t>(keep) >= d.Digits.size()) return;
    bool up = d.Digits[static_cast<size_t>(keep)] >= '5';
    d.Digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[static_cast<size_t>(i)] == '9') d.Digits[static_cast<size_t>(i--)] = '0';
        if (i < 0) {
            d.Digits.insert(d.Digits.begin(), '1');
            d.Exponent++;
        } else {
            d.Digits[static_cast<size_t>(i)]++;
        }
    }
    while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
    if (d.Digits.empty()) d.Exponent = 0;
}

std::string GroupThousands(const std::string& intPart, const std::string& sep) {
    std::string r;
    int n = static_cast<int>(intPart.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) r += sep;
        r += intPart[static_cast<size_t>(i)];
    }
    return r;
}

std::string FixedText(double v, int prec, char sep, const std::string* thousands) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    TDecimal d = ToDecimal(v, 18);
    RoundDigits(d, d.Exponent + prec);
    std::string intPart, fracPart;
    for (int i = 0; i < d.Exponent; ++i)
        intPart += static_cast<size_t>(i) < d.Digits.size() ? d.Digits[static_cast<size_t>(i)] : '0';
    if (intPart.empty()) intPart = "0";
    for (int i = 0; i < prec; ++i) {
        int idx = d.Exponent + i;
        fracPart += (idx >= 0 && static_cast<size_t>(idx) < d.Digits.size()) ? d.Digits[static_cast<size_t>(idx)] : '0';
    }
    std::string r;
    if (d.Negative && !d.Digits.empty()) r += '-';
    r += thousands ? GroupThousands(intPart, *thousands) : intPart;
    if (prec > 0) {
        r += sep;
        r += fracPart;
    }
    return r;
}

std::string ExponentText(double v, int prec, char sep) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    prec = std::clamp(prec, 1, 18);
    TDecimal d = ToDecimal(v, 18);
    RoundDigits(d, prec);
    std::string r;
    if (d.Negative && !d.Digits.empty()) r += '-';
    std::string digits = d.Digits;
    digits.resize(static_cast<size_t>(prec), '0');
    r += digits[0];
    if (prec > 1) {
        r += sep;
        r += digits.substr(1);
    }
    int exp = d.Digits.empty() ? 0 : d.Exponent - 1;
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%03d", exp < 0 ? '-' : '+', std::abs(exp));
    return r + buf;
}

std::string GeneralText(double v, int prec, char sep) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    prec = std::clamp(prec, 1, 18);
    TDecimal d = ToDecimal(v, 18);
    RoundDigits(d, prec);
    if (d.Digits.empty()) return "0";
    std::string r = d.Negative ? "-" : "";
    if (d.Exponent > prec || d.Exponent < -4) {
        r += d.Digits[0];
        if (d.Digits.size() > 1) {
            r += sep;
            r += d.Digits.substr(1);
        }
        int exp = d.Exponent - 1;
        char buf[16];
        std::snprintf(buf, sizeof buf, "E%c%02d", exp < 0 ? '-' : '+', std::abs(exp));
        return r + buf;
    }
    if (d.Exponent <= 0) {
        r += "0";
        r += sep;
        r += std::string(static_cast<size_t>(-d.Exponent), '0') + d.Digits;
        return r;
    }
    std::string digits = d.Digits;
    if (digits.size() < static_cast<size_t>(d.Exponent)) digits.resize(static_cast<size_t>(d.Exponent), '0');
    r += digits.substr(0, static_cast<size_t>(d.Exponent));
    if (digits.size() > static_cast<size_t>(d.Exponent)) {
        r += sep;
        r += digits.substr(static_cast<size_t>(d.Exponent));
    }
    return r;
}

size_t Utf8Length(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

std::string Utf8Prefix(const std::string& s, size_t chars) {
    size_t n = 0, i = 0;
    for (; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (n == chars) break;
            ++n;
        }
    }
    return s.substr(0, i);
}

[[noreturn]] void BadFormat(std::string_view fmt) {
    throw EZorbError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

} // namespace

std::string FloatToFixed(double value, int digits, char decimalSeparator) {
    return FixedText(value, digits, decimalSeparator, nullptr);
}

std::string FloatToStrExact(double value) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc()) return "0";
    return std::string(buf, p);
}

std::string FormatV(std::string_view fmt, const std::vector<TFormatArg>& args) {
    std::string out;
    size_t argIndex = 0;
    size_t i = 0;
    auto nextArg = [&](size_t idx) -> const TFormatArg& {
        if (idx >= args.size()) BadFormat(fmt);
        return args[idx];
    };
    auto readNumber = [&](int& value) -> bool { // digits or "*"
        if (i < fmt.size() && fmt[i] == '*') {
            const TFormatArg& a = nextArg(argIndex++);
            if (a.Kind() != TFormatArg::fkInt) BadFormat(fmt);
            value = static_cast<int>(a.Int());
            ++i;
            return true;
        }
        size_t b = i;
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') ++i;
        if (i == b) return false;
        value = std::atoi(std::string(fmt.substr(b, i - b)).c_str());
        return true;
    };
    while (i < fmt.size()) {
        char c = fmt[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i >= fmt.size()) BadFormat(fmt);
        if (fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        int width = -1, prec = -1;
        bool left = false;
        size_t save = i, saveArg = argIndex;
        int num;
        if (readNumber(num) && i < fmt.size() && fmt[i] == ':') {
            argIndex = static_cast<size_t>(std::max(num, 0));
            ++i;
        } else {
            i = save; // it was a width: read it again below, "*" taking its argument again
            argIndex = saveArg;
        }
        if (i < fmt.size() && fmt[i] == '-') {
            left = true;
            ++i;
        }
        if (readNumber(num)) width = num;
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            if (!readNumber(prec)) prec = 0;
        }
        if (i >= fmt.size()) BadFormat(fmt);
        char type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i++])));
        const TFormatArg& a = nextArg(argIndex++);
        std::string text;
        char sep = FormatSettings().DecimalSeparator;
        switch (type) {
        case 'd':
        case 'u':
        case 'x':
        case 'p': {
            if (a.Kind() != TFormatArg::fkInt) BadFormat(fmt);
            int64_t v = a.Int();
            bool neg = false;
            std::string digits;
            if (type == 'd') {
                neg = v < 0;
                uint64_t mag = neg ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
                digits = std::to_string(mag);
            } else if (type == 'u') {
                digits = std::to_string(static_cast<uint64_t>(v));
            } else {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
                digits = buf;
                if (type == 'p') prec = std::max(prec, 8);
            }
            if (prec > 0 && digits.size() < static_cast<size_t>(prec))
                digits.insert(0, static_cast<size_t>(prec) - digits.size(), '0');
            text = (neg ? "-" : "") + digits;
            break;
        }
        case 'f':
        case 'n':
        case 'm':
        case 'e':
        case 'g': {
            double v;
            if (a.Kind() == TFormatArg::fkFloat)
                v = a.Float();
            else
                BadFormat(fmt);
            if (type == 'f')
                text = FixedText(v, prec < 0 ? 2 : std::min(prec, 18), sep, nullptr);
            else if (type == 'n')
                text = FixedText(v, prec < 0 ? 2 : std::min(prec, 18), sep, &FormatSettings().ThousandSeparator);
            else if (type == 'm')
                text = FixedText(v, prec < 0 ? 2 : std::min(prec, 18), sep, &FormatSettings().ThousandSeparator) + " " +
                       FormatSettings().CurrencyString;
            else if (type == 'e')
                text = ExponentText(v, prec < 0 ? 15 : prec, sep);
            else
                text = GeneralText(v, prec < 0 ? 15 : prec, sep);
            break;
        }
        case 's': {
            if (a.Kind() != TFormatArg::fkString) BadFormat(fmt);
            text = prec >= 0 ? Utf8Prefix(a.String(), static_cast<size_t>(prec)) : a.String();
            break;
        }
        default: BadFormat(fmt);
        }
        size_t len = Utf8Length(text);
        if (width > 0 && len < static_cast<size_t>(width)) {
            std::string pad(static_cast<size_t>(width) - len, ' ');
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return out;
}

} // namespace zorb
