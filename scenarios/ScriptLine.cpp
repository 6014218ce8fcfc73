#include "scenarios/ScriptLine.h"

#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <vector>

namespace zorb {

namespace {

struct TScriptCode {
    const char* Code;
    const char* EditorCaption;
    const char* ListCaption;
};

const TScriptCode Sources[ScriptSourceCount] = {
    {"FULL", "Исходный список (рекомендуется для тестов)", "Исходный список"},
    {"EXCL", "Удалить N последних тиражей (для прогнозов)", "Исключить %d тиражей"},
    {"CURR", "Текущий список (для последовательного выполнения)", "Текущий список"},
};

const TScriptCode StakeModes[ScriptStakeModeCount] = {
    {"EXT", "Сделать расширенную ставку", "Расширенная"},
    {"RAND", "Выбрать одну случайную комбинацию", "Случайно"},
    {"FIRST", "Выбрать первую комбинацию в списке", "Первая"},
    {"LAST", "Выбрать последнюю комбинацию в списке", "Последняя"},
    {"ALL", "Выбрать все комбинации (не рекомендуется)", "Все"},
    {"SYSA", "Системная игра [вся система]", "Система [все]"},
    {"SYSC", "Системная игра [система * комбинации]", "Система [комб]"},
    {"STOP", "Остановить выполнение сценария", "Остановить"},
    {"SKIP", "Пропустить (игнорировать) эту ставку", "Пропустить"},
    {"NONE", "Не делать ставок (для последовательного выполнения)", "Не делать ставок"},
};

const char* const ErrorCaption = "# ERROR #";

std::vector<std::string> Fields(const std::string& line) {
    return SplitWords(line, "|");
}

} // namespace

const char* ScriptSourceCode(int source) {
    return source >= 0 && source < ScriptSourceCount ? Sources[source].Code : Sources[0].Code;
}

const char* ScriptStakeCode(int mode) {
    return mode >= 0 && mode < ScriptStakeModeCount ? StakeModes[mode].Code : StakeModes[0].Code;
}

std::string SourceEditorCaption(int source) {
    return source >= 0 && source < ScriptSourceCount ? Tr(Sources[source].EditorCaption) : ErrorCaption;
}

std::string SourceListCaption(int source, int32_t excludeDraws) {
    if (source < 0 || source >= ScriptSourceCount) return ErrorCaption;
    return source == ssExclude ? Format(Tr(Sources[source].ListCaption), excludeDraws)
                               : Tr(Sources[source].ListCaption);
}

std::string StakeEditorCaption(int mode) {
    return mode >= 0 && mode < ScriptStakeModeCount ? Tr(StakeModes[mode].EditorCaption) : ErrorCaption;
}

std::string StakeListCaption(int mode) {
    return mode >= 0 && mode < ScriptStakeModeCount ? Tr(StakeModes[mode].ListCaption) : ErrorCaption;
}

TScriptOptions ParseOptions(const std::string& text) {
    TScriptOptions o;
    const std::vector<std::string> parts = SplitKeepEmpty(text, '#');
    auto part = [&](size_t i) { return i < parts.size() ? Trim(parts[i]) : std::string(); };

    const std::vector<std::string> source = SplitKeepEmpty(part(0), ':');
    const std::string sourceCode = UpperCase(source.empty() ? "" : Trim(source[0]));
    for (int i = 0; i < ScriptSourceCount; ++i)
        if (sourceCode.rfind(Sources[i].Code, 0) == 0) {
            o.Source = static_cast<uint8_t>(i);
            break;
        }
    int32_t n;
    if (source.size() > 1 && TryStrToInt(Trim(source[1]), n)) o.ExcludeDraws = n;

    const std::string stake = part(1);
    for (int i = 0; i < ScriptStakeModeCount; ++i)
        if (SameText(stake, StakeModes[i].Code)) {
            o.StakeMode = static_cast<uint8_t>(i);
            break;
        }
    for (size_t i = 2; i < parts.size(); ++i) {
        const std::string p = part(i);
        if (SameText(p, "CLR")) o.ClearStakes = true;
        if (SameText(p, "NEX")) o.NewOnly = true;
    }
    return o;
}

std::string OptionsText(const TScriptOptions& o) {
    std::string s = std::string(ScriptSourceCode(o.Source)) + ":" + std::to_string(o.ExcludeDraws) + "#" +
                    ScriptStakeCode(o.StakeMode);
    if (o.ClearStakes) s += "#CLR";
    if (o.NewOnly) s += "#NEX";
    return s;
}

std::string OptionsShort(const TScriptOptions& o) {
    std::string s = ScriptSourceCode(o.Source);
    if (o.Source == ssExclude) s += ":" + std::to_string(o.ExcludeDraws);
    s += std::string("#") + ScriptStakeCode(o.StakeMode);
    if (o.NewOnly) s += "#NEX";
    return s;
}

std::string OptionsCaption(const TScriptOptions& o) {
    std::string s = SourceListCaption(o.Source, o.ExcludeDraws) + "; " + StakeListCaption(o.StakeMode);
    if (o.ClearStakes) s += "; " + Tr("Удалить ставки");
    s += "; " + (o.NewOnly ? Tr("Только новые ставки") : Tr("Все создаваемые ставки"));
    return s;
}

std::string OptionsProblem(const TScriptOptions& options) {
    if (options.ExcludeDraws >= 0) return "";
    return Format(Tr("Некорректное слово опций \"%s\": количество тиражей не может быть отрицательным!"),
                  OptionsText(options));
}

bool IsSeparatorLine(const std::string& line) {
    return Trim(line).empty();
}

std::string LineField(const std::string& line, int n) {
    const std::vector<std::string> f = Fields(line);
    return n >= 1 && static_cast<size_t>(n) <= f.size() ? Trim(f[static_cast<size_t>(n - 1)]) : "";
}

TScriptLineFields SplitLine(const std::string& line) {
    const std::vector<std::string> f = Fields(line);
    auto field = [&](size_t i) { return i < f.size() ? Trim(f[i]) : std::string(); };
    TScriptLineFields r;
    r.Options = field(0);
    for (size_t i = 0; i < r.Filters.size(); ++i) r.Filters[i] = field(i + 1);
    r.Comment = field(8);
    return r;
}

std::string BuildLine(const TScriptLineFields& fields) {
    std::string s = fields.Options + "|";
    for (const std::string& filter : fields.Filters) s += (Trim(filter).empty() ? std::string(" ") : filter) + "|";
    if (!Trim(fields.Comment).empty()) s += fields.Comment;
    return s;
}

bool LineFieldsValid(const TScriptLineFields& fields) {
    auto bad = [](const std::string& s) { return s.find_first_of("|\r\n") != std::string::npos; };
    if (bad(fields.Comment)) return false;
    for (const std::string& f : fields.Filters)
        if (bad(f)) return false;
    return true;
}

} // namespace zorb
