#include "core/Translate.h"

#include "core/FileUtils.h"
#include "core/TextUtils.h"

#include <unordered_map>

namespace zorb {

namespace {
std::unordered_map<std::string, std::string>& Table() {
    static std::unordered_map<std::string, std::string> table;
    return table;
}
} // namespace

std::string UnescapeModuleText(std::string_view s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[++i];
            r += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            r += s[i];
        }
    }
    return r;
}

const std::vector<TLanguageInfo>& KnownLanguages() {
    static const std::vector<TLanguageInfo> list = {
        {1049, "RUS", "RUS", "Русский"},    {1033, "ENU", "ENG", "English"}, {1058, "UKR", "UKR", "Українська"},
        {1059, "BEL", "BEL", "Беларуская"}, {1031, "DEU", "DEU", "Deutsch"}, {1036, "FRA", "FRA", "Français"},
        {1045, "PLK", "POL", "Polski"},     {1087, "KKZ", "KAZ", "Қазақ"},   {1034, "ESP", "SPA", "Español"},
    };
    return list;
}

bool SamePrimaryLanguage(int a, int b) {
    return (a & 0x3FF) == (b & 0x3FF);
}

const TLanguageInfo* FindLanguage(int lcid) {
    for (const auto& l : KnownLanguages())
        if (SamePrimaryLanguage(l.Lcid, lcid)) return &l;
    return nullptr;
}

std::string LanguageAbbrev(int lcid) {
    const TLanguageInfo* l = FindLanguage(lcid);
    return l ? l->Abbrev : "RUS";
}

std::vector<std::string> LanguageModuleAbbrevs(int lcid) {
    const TLanguageInfo* l = FindLanguage(lcid);
    if (!l) return {"RUS"};
    std::vector<std::string> r = {l->Abbrev};
    if (std::string_view(l->IsoCode) != l->Abbrev) r.push_back(l->IsoCode);
    return r;
}

std::string Tr(std::string_view text) {
    const auto& t = Table();
    if (t.empty()) return std::string(text);
    auto it = t.find(std::string(text));
    return it == t.end() ? std::string(text) : it->second;
}

void LoadLanguageModule(const std::string& path) {
    Table().clear();
    if (path.empty()) return;
    std::string text = DecodeTextFile(ReadFileBytes(path));
    for (const std::string& raw : SplitKeepEmpty(text, '\n')) {
        // Only the line end is cut: a translation may end with a blank, as its source text does.
        std::string line = raw;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        Table()[UnescapeModuleText(line.substr(0, tab))] = UnescapeModuleText(line.substr(tab + 1));
    }
}

int TranslationCount() {
    return static_cast<int>(Table().size());
}

} // namespace zorb
