#include "combos/FilterItem.h"

#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace zorb {

namespace {

struct TCodeCaption {
    const char* Code;
    const char* Caption;
};

const TCodeCaption LevelModes[LevelModeCount] = {
    {"LNO", "Весь список (без условий)"},
    {"LMV", "\"Глубина\": не менее заданного значения"},
    {"LMP", "\"Глубина\": не менее заданного процента"},
    {"LLV", "\"Глубина\": не более заданного значения"},
    {"LLP", "\"Глубина\": не более заданного процента"},
    {"LDV", "\"Глубина\": из заданного списка значений"},
    {"LDP", "\"Глубина\": из заданного списка процентов"},
    {"DMV", "\"Отклонение\": не менее заданного значения"},
    {"DMP", "\"Отклонение\": не менее заданного процента"},
    {"DLV", "\"Отклонение\": не более заданного значения"},
    {"DLP", "\"Отклонение\": не более заданного процента"},
    {"DDV", "\"Отклонение\": из заданного списка значений"},
    {"DDP", "\"Отклонение\": из заданного списка процентов"},
    {"CMV", "\"Количество\": не менее заданного значения"},
    {"CMP", "\"Количество\": не менее заданного процента"},
    {"CLV", "\"Количество\": не более заданного значения"},
    {"CLP", "\"Количество\": не более заданного процента"},
    {"CDV", "\"Количество\": из заданного списка значений"},
    {"CDP", "\"Количество\": из заданного списка процентов"},
    {"WMV", "\"Вес\": не менее заданного значения"},
    {"WLV", "\"Вес\": не более заданного значения"},
    {"WDV", "\"Вес\": из заданного списка значений"},
    {"PIM", "\"Период min\": не менее заданного значения"},
    {"PIL", "\"Период min\": не более заданного значения"},
    {"PIR", "\"Период min\": из заданного списка значений"},
    {"PAM", "\"Период\": не менее заданного значения"},
    {"PAL", "\"Период\": не более заданного значения"},
    {"PAR", "\"Период\": из заданного списка значений"},
    {"PXM", "\"Период max\": не менее заданного значения"},
    {"PXL", "\"Период max\": не более заданного значения"},
    {"PXR", "\"Период max\": из заданного списка значений"},
    {"LVA", "\"Значения\": из заданного списка значений"},
};

const TCodeCaption StopModes[StopModeCount] = {
    {"SF", "Обработать все записи"},
    {"SC", "Количеству оставшихся комбинаций"},
    {"SE", "Количеству оставшихся чисел для расширенной ставки"},
    {"SZ", "Пока список не будет пуст и откатить на шаг"},
    {"ST", "Количеству шагов"},
    {"SV", "Значению в списке статистики"},
    {"SP", "Процентному соотношению в списке статистики"},
};

// The first table entry whose code the word starts with, ignoring letter case; -1 when none.
template <size_t N> int FindCode(const TCodeCaption (&table)[N], const std::string& word) {
    const std::string w = UpperCase(word);
    for (size_t i = 0; i < N; ++i)
        if (w.rfind(table[i].Code, 0) == 0) return static_cast<int>(i);
    return -1;
}

std::string Part(const std::vector<std::string>& parts, size_t i) {
    return i < parts.size() ? Trim(parts[i]) : "";
}

std::string FlagLetters(bool bottomUp, bool multi, bool keep) {
    return std::string(1, bottomUp ? 'B' : 'T') + (multi ? 'M' : 'S') + (keep ? 'F' : 'D');
}

std::string WeightsWord(double count, double deviation, double level, bool percents, bool abs) {
    return FilterRealText(count) + ":" + FilterRealText(deviation) + ":" + FilterRealText(level) + ":" +
           (percents ? "1" : "0") + ":" + (abs ? "1" : "0");
}

const char* CodeOr(const TCodeCaption* table, int count, int mode) {
    return mode >= 0 && mode < count ? table[mode].Code : table[0].Code;
}

} // namespace

const char* LevelModeCode(int mode) {
    return CodeOr(LevelModes, LevelModeCount, mode);
}
const char* StopModeCode(int mode) {
    return CodeOr(StopModes, StopModeCount, mode);
}

std::string ModeCaption(int mode) {
    return mode >= 0 && mode < LevelModeCount ? Tr(LevelModes[mode].Caption) : "# ERROR #";
}

std::string StopCaption(int mode) {
    return mode >= 0 && mode < StopModeCount ? Tr(StopModes[mode].Caption) : "# ERROR #";
}

std::string FilterRealText(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[400];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    std::string s(buf, p);
    return s == "-0" ? "0" : s;
}

double ParseFilterReal(const std::string& text) {
    std::string t;
    for (char c : text)
        if (c == '-' || (c >= '0' && c <= '9'))
            t += c;
        else if (c == '.' || c == ',')
            t += '.';
    double v;
    return TryStrToFloat(t, v) && std::isfinite(v) ? v : 0.0;
}

std::string FilterText(const TFilterItem& item, const TStatList& list) {
    if (!item.Defined) return "";
    std::string w2 = item.Method >= 0 && item.Method < list.MethodCount()
                         ? list.CodeOf(item.Method) + ":" + item.Lengths
                         : item.MethodText;
    std::string text = FlagLetters(item.BottomUp, item.MultiSelect, item.Keep) + std::to_string(item.SortColumn) + "#" +
                       w2 + "#" + LevelModeCode(item.LevelMode) + ":" + item.LevelValues + "#" +
                       StopModeCode(item.StopMode) + ":" + std::to_string(item.StopValue);
    if (item.OwnWeights)
        text += "#" + WeightsWord(item.WeightCount, item.WeightDeviation, item.WeightLevel, item.WeightPercents,
                                  item.WeightAbs);
    return text;
}

TFilterItem ParseFilter(const std::string& text, const TStatList& list) {
    TFilterItem item;
    if (Trim(text).empty()) return item;
    item.Defined = true;
    const std::vector<std::string> words = SplitKeepEmpty(text, '#');
    auto word = [&](size_t i) { return i < words.size() ? Trim(words[i]) : ""; };

    const std::string w1 = word(0);
    int32_t column;
    item.SortColumn = w1.size() > 3 && TryStrToInt(w1.substr(3), column) ? column : 1;
    item.BottomUp = w1.find('B') != std::string::npos;
    item.MultiSelect = w1.find('M') != std::string::npos;
    item.Keep = w1.find('F') != std::string::npos;

    item.MethodText = word(1);
    const auto methodParts = SplitKeepEmpty(item.MethodText, ':');
    item.Method = list.FindByCode(Part(methodParts, 0));
    item.Lengths = Part(methodParts, 1);

    if (!word(2).empty()) {
        const auto parts = SplitKeepEmpty(word(2), ':');
        const int mode = FindCode(LevelModes, Part(parts, 0));
        item.LevelMode = static_cast<uint8_t>(mode < 0 ? 0 : mode);
        item.LevelValues = mode < 0 ? "" : Part(parts, 1);
    }
    if (!word(3).empty()) {
        const auto parts = SplitKeepEmpty(word(3), ':');
        const int mode = FindCode(StopModes, Part(parts, 0));
        int32_t value;
        item.StopMode = static_cast<uint8_t>(mode < 0 ? 0 : mode);
        item.StopValue = mode < 0 ? 0 : TryStrToInt(Part(parts, 1), value) ? value : 1;
    }
    if (!word(4).empty()) {
        const auto parts = SplitKeepEmpty(word(4), ':');
        item.OwnWeights = true;
        item.WeightCount = ParseFilterReal(Part(parts, 0));
        item.WeightDeviation = ParseFilterReal(Part(parts, 1));
        item.WeightLevel = ParseFilterReal(Part(parts, 2));
        item.WeightPercents = Part(parts, 3) == "1";
        item.WeightAbs = Part(parts, 4) == "1";
    }
    return item;
}

std::string FilterPartText(const TFilterPart& part, const TStatList& list) {
    if (!part.Defined) return "";
    const std::string code = part.Method >= 0 && part.Method < list.MethodCount() ? list.CodeOf(part.Method) : "";
    std::string text = FlagLetters(part.BottomUp, part.MultiSelect, part.Keep) + "#" + code + ":" +
                       std::to_string(part.WindowLength) + "#" + LevelModeCode(part.LevelMode) + ":" + part.LevelText +
                       "#" + StopModeCode(part.StopMode) + ":" + std::to_string(part.StopValue);
    if (part.OwnWeights)
        text += "#" + WeightsWord(part.WeightCount, part.WeightDeviation, part.WeightLevel, part.WeightPercents,
                                  part.WeightAbs);
    return text;
}

std::string FilterRecText(const TFilterRec& rec, const TStatList& list) {
    std::vector<std::string> texts;
    for (const TFilterPart& p : rec)
        if (p.Defined) texts.push_back(FilterPartText(p, list));
    return Join(texts, " + ");
}

} // namespace zorb
