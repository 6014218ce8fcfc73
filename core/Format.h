// Delphi-compatible Format, so the system's format strings ("%0:d x %1:d", "%.3d", "%.2f") stay as written.
// Grammar: "%" [index ":"] ["-"] [width] ["." precision] type, type one of d u e f g n m p s x; width, precision
// and index may be "*". Floats round half away from zero on their 18-digit decimal form, as Delphi does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorb {

struct TFormatSettings {
    char DecimalSeparator = '.';
    std::string ThousandSeparator = " ";
    std::string CurrencyString = "р.";
};
// Process-wide settings, taken from the user's locale once at start-up.
TFormatSettings& FormatSettings();
void InitFormatSettingsFromLocale();

class TFormatArg {
public:
    enum TKind { fkInt, fkFloat, fkString };
    TFormatArg(int v) : FKind(fkInt), FInt(v) {}
    TFormatArg(long v) : FKind(fkInt), FInt(v) {}
    TFormatArg(long long v) : FKind(fkInt), FInt(v) {}
    TFormatArg(unsigned v) : FKind(fkInt), FInt(v) {}
    TFormatArg(unsigned long v) : FKind(fkInt), FInt(static_cast<int64_t>(v)) {}
    TFormatArg(unsigned long long v) : FKind(fkInt), FInt(static_cast<int64_t>(v)) {}
    TFormatArg(double v) : FKind(fkFloat), FFloat(v) {}
    TFormatArg(long double v) : FKind(fkFloat), FFloat(static_cast<double>(v)) {}
    TFormatArg(const char* v) : FKind(fkString), FString(v) {}
    TFormatArg(std::string v) : FKind(fkString), FString(std::move(v)) {}
    TFormatArg(std::string_view v) : FKind(fkString), FString(v) {}

    TKind Kind() const { return FKind; }
    int64_t Int() const { return FInt; }
    double Float() const { return FFloat; }
    const std::string& String() const { return FString; }

private:
    TKind FKind;
    int64_t FInt = 0;
    double FFloat = 0;
    std::string FString;
};

// Raises EZorbError on a malformed format or an argument of the wrong kind.
std::string FormatV(std::string_view fmt, const std::vector<TFormatArg>& args);

template <class... A> std::string Format(std::string_view fmt, const A&... args) {
    return FormatV(fmt, std::vector<TFormatArg>{TFormatArg(args)...});
}

// Fixed-point text with Delphi rounding and the given separator.
std::string FloatToFixed(double value, int digits, char decimalSeparator);
// Shortest text that reads back to the same double, with "." as the separator.
std::string FloatToStrExact(double value);

} // namespace zorb
