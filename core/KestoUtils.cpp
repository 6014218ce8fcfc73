#include "core/KestoUtils.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <random>

namespace zorb {

Currency CurrencyFromDouble(double value) {
    return static_cast<Currency>(std::llround(value * CurrencyScale));
}

double CurrencyToDouble(Currency value) {
    return static_cast<double>(value) / CurrencyScale;
}

std::string TDrawRec::Date() const {
    return std::string(DateText, std::min<size_t>(DateLen, sizeof(DateText)));
}

void TDrawRec::SetDate(std::string_view text) {
    size_t len = std::min(text.size(), sizeof(DateText));
    std::memset(DateText, 0, sizeof(DateText));
    std::memcpy(DateText, text.data(), len);
    DateLen = static_cast<uint8_t>(len);
}

void TNumberMask::Clear() {
    std::memset(Words, 0, sizeof(Words));
}

bool TNumberMask::Empty() const {
    for (uint32_t w : Words)
        if (w) return false;
    return true;
}

// --- Arithmetic ----------------------------------------------------------------------------------

long double Factorial(int n) {
    return n <= 1 ? 1.0L : n * Factorial(n - 1);
}

int64_t Binomial(int n, int k) {
    if (k >= n) return 1;
    return static_cast<int64_t>(std::llround(Factorial(n) / (Factorial(n - k) * Factorial(k))));
}

static long double FallingProduct(int x, int terms) {
    long double r = 1.0L;
    for (int i = 0; i < terms; ++i) r *= static_cast<long double>(x - i);
    return r;
}

int64_t MatchesCount(int n, int k, int m) {
    if (m >= n) return 1;
    long double a = FallingProduct(k, m) / Factorial(m);
    long double b = FallingProduct(n - k, k - m) / Factorial(k - m);
    return static_cast<int64_t>(std::llround(a * b));
}

int CeilDiv(int a, int b) {
    return a / b + (a % b != 0 ? 1 : 0);
}

int MatrixRows(int first, int last, int columns) {
    if (first == 0) return CeilDiv(last, columns);
    return CeilDiv(last - first + 1, columns);
}

int NumberColumn(int n, int columns) {
    return ((n - 1) % columns) + 1;
}

int NumberRow(int n, int columns) {
    return ((n - 1) / columns) + 1;
}

int NumberAtCell(int row, int column, int columns) {
    return 1 + column + row * columns;
}

int ShiftNumber(int n, int k) {
    if (k == 0) return n;
    int r = n + k;
    if (k > 0 && r > MaxNumber) r -= MaxNumber;
    if (k < 0 && r <= 0) r += MaxNumber;
    return r;
}

TComb ShiftComb(const TComb& comb, int k) {
    TComb r;
    for (int i = 0; i < 6; ++i) r.N[i] = static_cast<uint8_t>(ShiftNumber(comb.N[i], k));
    return r;
}

int NumberChannel(int n, int size) {
    return CeilDiv(n, size);
}

TMatchDistribution ComputeMatchDistribution() {
    TMatchDistribution d{};
    int64_t total = Binomial(MaxNumber, NumbersPerDraw);
    for (int k = 0; k <= NumbersPerDraw; ++k) {
        d.Counts[k] = Binomial(NumbersPerDraw, k) * Binomial(MaxNumber - NumbersPerDraw, NumbersPerDraw - k);
        // C(6,6) and C(46,0) by the "k >= n gives 1" rule are both 1, as the distribution needs.
        d.Probabilities[k] = static_cast<double>(d.Counts[k]) / static_cast<double>(total);
    }
    return d;
}

// --- Membership ------------------------------------------------------------------------------------

bool NumberInDraw(int n, const TDrawRec& draw) {
    for (uint8_t x : draw.Numbers)
        if (x == n) return true;
    return false;
}

bool NumberInComb(int n, const TComb& comb) {
    for (uint8_t x : comb.N)
        if (x == n) return true;
    return false;
}

bool ChannelInDraw(int ch, const TDrawRec& draw, int size) {
    for (uint8_t x : draw.Numbers)
        if (NumberChannel(x, size) == ch) return true;
    return false;
}

bool ClassInDraw(uint8_t v, const TDrawRec& draw, const uint8_t map[52]) {
    for (uint8_t x : draw.Numbers)
        if (x >= 1 && x <= 52 && map[x - 1] == v) return true;
    return false;
}

bool ByteInArray(uint8_t b, const TByteArray& a) {
    return std::find(a.begin(), a.end(), b) != a.end();
}

void AddToSet(uint8_t b, TByteArray& a) {
    if (!ByteInArray(b, a)) a.push_back(b);
}

void AppendByte(uint8_t b, TByteArray& a) {
    a.push_back(b);
}

int Matches(const TDrawRec& draw, const TComb& comb) {
    int r = 0;
    for (uint8_t x : draw.Numbers)
        for (uint8_t y : comb.N) r += x == y;
    return r;
}

int Matches(const TDrawRec& a, const TDrawRec& b) {
    int r = 0;
    for (uint8_t x : a.Numbers)
        for (uint8_t y : b.Numbers) r += x == y;
    return r;
}

TNumberSet Intersect(const TDrawRec& draw, const TNumberSet& set) {
    TNumberSet r{};
    int count = std::clamp(set.Count, 0, MaxStakeNumbers);
    for (uint8_t x : draw.Numbers) {
        bool found = false;
        for (int i = 0; i < count && !found; ++i) found = set.Numbers[i] == x;
        if (found && r.Count < MaxStakeNumbers) r.Numbers[r.Count++] = x;
    }
    SortNumberSet(r);
    return r;
}

bool SameSet(const TNumberSet& a, const TNumberSet& b) {
    if (a.Count != b.Count) return false;
    int count = std::clamp(a.Count, 0, MaxStakeNumbers);
    for (int i = 0; i < count; ++i) {
        bool found = false;
        for (int j = 0; j < count && !found; ++j) found = b.Numbers[j] == a.Numbers[i];
        if (!found) return false;
    }
    return true;
}

int DistinctNumbers(const TComb* list, size_t n) {
    return static_cast<int>(CollectNumbers(list, n).size());
}

TByteArray CollectNumbers(const TComb* list, size_t n) {
    TByteArray seen;
    bool has[256] = {};
    for (size_t i = 0; i < n && seen.size() < static_cast<size_t>(MaxNumber); ++i)
        for (uint8_t x : list[i].N)
            if (!has[x]) {
                has[x] = true;
                seen.push_back(x);
            }
    return seen;
}

TNumberSet PickNumbers(const TComb* list, size_t n, int size) {
    size = std::clamp(size, 0, MaxExtendedStake);
    TByteArray numbers = CollectNumbers(list, n);
    if (numbers.size() > static_cast<size_t>(size)) {
        std::mt19937 rng(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
        while (numbers.size() > static_cast<size_t>(size)) {
            std::uniform_int_distribution<size_t> pick(0, numbers.size() - 1);
            numbers.erase(numbers.begin() + static_cast<std::ptrdiff_t>(pick(rng)));
        }
    }
    TNumberSet r{};
    for (uint8_t x : numbers) r.Numbers[r.Count++] = x;
    return r;
}

TNumberSet CombToSet(const TComb& comb) {
    TNumberSet r{};
    r.Count = 6;
    std::memcpy(r.Numbers, comb.N, 6);
    return r;
}

TComb DrawNumbers(const TDrawRec& draw) {
    TComb r;
    std::memcpy(r.N, draw.Numbers, 6);
    return r;
}

// --- Sorting -------------------------------------------------------------------------------------------

template <class T, class Less> static void InsertionSort(T* a, int n, Less less) {
    for (int i = 1; i < n; ++i) {
        T v = a[i];
        int j = i - 1;
        while (j >= 0 && less(v, a[j])) {
            a[j + 1] = a[j];
            --j;
        }
        a[j + 1] = v;
    }
}

void SortComb(TComb& comb) {
    InsertionSort(comb.N, 6, std::less<uint8_t>());
}

void SortDrawNumbers(TDrawRec& draw) {
    InsertionSort(draw.Numbers, 6, std::less<uint8_t>());
}

void SortNumberSet(TNumberSet& set) {
    InsertionSort(set.Numbers, std::clamp(set.Count, 0, MaxStakeNumbers), std::less<uint8_t>());
}

void SortIntsDesc(TIntArray& list) {
    InsertionSort(list.data(), static_cast<int>(list.size()), std::greater<int32_t>());
}

// --- Text forms --------------------------------------------------------------------------------------------

static std::string JoinBytes(const uint8_t* p, int n, std::string_view separator) {
    std::string r;
    for (int i = 0; i < n; ++i) {
        if (i) r += separator;
        r += std::to_string(p[i]);
    }
    return r;
}

std::string DrawDescription(const TDrawRec& draw) {
    // The date holds 8-bit text of the archive file.
    return Format(Tr("Тираж № %d от %s, значения: %s"), draw.Draw, Cp1251ToUtf8(draw.Date()),
                  JoinBytes(draw.Numbers, 6, ";"));
}

std::string CombToList(const TComb& comb) {
    return JoinBytes(comb.N, 6, ";");
}

std::string CombToPaddedText(const TComb& comb) {
    std::string r;
    for (int i = 0; i < 6; ++i) {
        if (i) r += ' ';
        if (comb.N[i] < 10) r += '0';
        r += std::to_string(comb.N[i]);
    }
    return r;
}

std::string NumberSetToText(const TNumberSet& set, std::string_view separator) {
    return JoinBytes(set.Numbers, std::clamp(set.Count, 0, MaxStakeNumbers), separator);
}

std::string IntListToText(const TIntArray& list, std::string_view separator) {
    std::string r;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i) r += separator;
        r += std::to_string(list[i]);
    }
    return r;
}

std::string StakeKindCaption(int code) {
    switch (code) {
    case skManual: return "Вручную";
    case skRegular: return "Регуляр";
    case skScenario: return "Сценарий";
    case skSystem: return "Система";
    default: return "";
    }
}

// Civil-calendar day counts (proleptic Gregorian), relative to 1970-01-01.
static int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

static void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr int64_t UnixEpochAsDateTime = 25569; // 1970-01-01 counted from 1899-12-30

static bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

TDateTime EncodeDate(int year, int month, int day) {
    static const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool ok = year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1;
    if (ok) ok = day <= monthDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
    if (!ok) throw EZorbError(Format(Tr("Недопустимая дата: %.4d-%.2d-%.2d"), year, month, day));
    return static_cast<TDateTime>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                                  UnixEpochAsDateTime);
}

void DecodeDate(TDateTime d, int& year, int& month, int& day) {
    CivilFromDays(static_cast<int64_t>(std::floor(d)) - UnixEpochAsDateTime, year, month, day);
}

TDateTime Today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::string FormatDate(TDateTime d) {
    if (!(d > 0)) return "";
    int y, m, dd;
    DecodeDate(d, y, m, dd);
    return Format("%.4d-%.2d-%.2d", y, m, dd);
}

static int DatePart(const std::string& s, size_t pos, size_t len) {
    int32_t v = 0;
    if (pos >= s.size() || !TryStrToInt(s.substr(pos, len), v)) return 0;
    return v;
}

TDateTime ParseDate(std::string_view text) {
    std::string s = Trim(text);
    if (s.empty()) return 0;
    return EncodeDate(DatePart(s, 0, 4), DatePart(s, 5, 2), DatePart(s, 8, 2));
}

TComb ParseComb(std::string_view text) {
    std::vector<std::string> words = SplitWords(text, "\t ,-.:;|");
    if (words.size() != 6) throw EZorbError(Format(Tr("Некорректная комбинация: \"%s\"!"), text));
    TComb r;
    for (int i = 0; i < 6; ++i) {
        int32_t v = 0;
        // A value that does not fit a byte becomes 0 rather than wrapping into a valid-looking number.
        if (!TryStrToInt(Trim(words[i]), v) || v < 0 || v > 255) v = 0;
        r.N[i] = static_cast<uint8_t>(v);
    }
    return r;
}

// Longest list a value text may expand to; beyond it the text is treated as malformed.
constexpr int64_t MaxValueListLength = 1000000;

TIntArray ParseValueList(std::string_view text) {
    std::vector<std::string> pieces = SplitWords(text, ",;");
    if (!pieces.empty()) {
        TIntArray list;
        bool all = true;
        for (const std::string& p : pieces) {
            int32_t v;
            if (!TryStrToInt(Trim(p), v)) {
                all = false;
                break;
            }
            list.push_back(v);
        }
        if (all) return list;
    }
    std::string from, to, step;
    int state = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (state == 0) {
            if (c == '-' && i >= 1)
                state = 1;
            else
                from += c;
        } else if (state == 1) {
            if (c == ';' || c == ',')
                state = 2;
            else
                to += c;
        } else {
            step += c;
        }
    }
    int32_t a, b, s;
    if (!TryStrToInt(Trim(from), a) || !TryStrToInt(Trim(to), b) || !TryStrToInt(Trim(step), s) || s == 0) return {};
    int64_t count = (static_cast<int64_t>(b) - a) / s + 1;
    if (count <= 0 || count > MaxValueListLength) return {};
    TIntArray list;
    list.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) list.push_back(static_cast<int32_t>(a + i * s));
    return list;
}

// --- Channel colours ------------------------------------------------------------------------------------

static const TColor ChannelPalette[19] = {0xAAFFAA, 0xFFFFAA, 0xAAFFFF, 0xFFAAAA, 0xAAAAFF, 0xFFD5AA, 0xD5AAFF,
                                          0xD4D4D4, 0xAAD5FF, 0xFFAAD5, 0xD5FFD5, 0xFFFFD5, 0xD5FFFF, 0xFFD5D5,
                                          0xD5D5FF, 0xFFEAD5, 0xEAD5FF, 0xE9E9E9, 0xD5EAFF};

TColor ChannelColor(int n, int channelSize) {
    if (n < MinNumber || n > MaxNumber) return clPureRed;
    int ch = NumberChannel(n, std::max(channelSize, 1));
    while (ch > 19) ch -= 19;
    return ChannelPalette[ch - 1];
}

} // namespace zorb
