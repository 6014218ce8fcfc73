// The English module must cover every Russian text the program can show. The texts are collected from the
// sources themselves, so a text added later without a translation fails here rather than showing up in Russian.
#include "core/Translate.h"
#include "stats/MethodHelp.h"
#include "stats/StatList.h"
#include "stats/StatTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path SourceRoot = ZORB_SOURCE_DIR;
const fs::path ModulePath = SourceRoot / "lang" / "Zorb_6x52_ENG.lng";

// Every library and the GUI; cli/ keeps its own console output Russian (scripts and tests read it).
const char* const ScannedDirs[] = {"app", "ui",    "core",      "stats",  "combos", "stakes",
                                   "net", "views", "scenarios", "online", "export"};

// Cyrillic literals that are data, never shown as interface text.
const std::set<std::string> NotInterfaceTexts = {
    "Русский", "Українська", "Беларуская", "Қазақ", // a language's own name stays in that language
    "р.", // the default currency symbol, locale data that no interface text shows
};

struct TLiteral {
    std::string Where;
    std::string Text;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool HasCyrillic(const std::string& s) {
    // U+0400..U+04FF are encoded with lead bytes 0xD0..0xD3.
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]), n = static_cast<unsigned char>(s[i + 1]);
        if (c >= 0xD0 && c <= 0xD3 && (n & 0xC0) == 0x80) return true;
    }
    return false;
}

void AppendUtf8(std::string& r, unsigned cp) {
    if (cp < 0x80) {
        r += static_cast<char>(cp);
    } else if (cp < 0x800) {
        r += static_cast<char>(0xC0 | (cp >> 6));
        r += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        r += static_cast<char>(0xE0 | (cp >> 12));
        r += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        r += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        r += static_cast<char>(0xF0 | (cp >> 18));
        r += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        r += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        r += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsIdent(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// A small C++ lexer: comments, character literals, ordinary and raw string literals, and the concatenation of
// adjacent string literals, as the compiler sees them.
class TLiteralScanner {
public:
    TLiteralScanner(const std::string& src, std::string file) : S(src), File(std::move(file)) {}

    std::vector<TLiteral> Run() {
        std::vector<TLiteral> r;
        while (P < S.size()) {
            if (SkipComment()) continue;
            char c = S[P];
            if (c == '\'') {
                // A digit separator (1'000) is no character literal.
                if (P > 0 && std::isdigit(static_cast<unsigned char>(S[P - 1]))) {
                    ++P;
                } else {
                    SkipQuoted('\'');
                }
                continue;
            }
            if (StartsString()) {
                int line = Line();
                std::string text = ReadString();
                for (;;) {
                    SkipSpaceAndComments();
                    if (P < S.size() && StartsString())
                        text += ReadString();
                    else
                        break;
                }
                r.push_back({File + ":" + std::to_string(line), text});
                continue;
            }
            if (IsIdent(c)) {
                while (P < S.size() && IsIdent(S[P]) && !StartsString()) ++P;
                continue;
            }
            ++P;
        }
        return r;
    }

private:
    const std::string& S;
    std::string File;
    size_t P = 0;

    int Line() const { return 1 + static_cast<int>(std::count(S.begin(), S.begin() + P, '\n')); }

    bool SkipComment() {
        if (S.compare(P, 2, "//") == 0) {
            while (P < S.size() && S[P] != '\n') ++P;
            return true;
        }
        if (S.compare(P, 2, "/*") == 0) {
            size_t e = S.find("*/", P + 2);
            P = e == std::string::npos ? S.size() : e + 2;
            return true;
        }
        return false;
    }

    void SkipSpaceAndComments() {
        while (P < S.size()) {
            if (std::isspace(static_cast<unsigned char>(S[P])))
                ++P;
            else if (!SkipComment())
                break;
        }
    }

    void SkipQuoted(char q) {
        ++P;
        while (P < S.size() && S[P] != q && S[P] != '\n') P += S[P] == '\\' ? 2 : 1;
        ++P;
    }

    // At a string literal, with an optional encoding prefix and R; the prefix must start a token.
    bool StartsString() const {
        if (P > 0 && IsIdent(S[P - 1])) return false;
        for (const char* prefix : {"u8R\"", "uR\"", "UR\"", "LR\"", "R\"", "u8\"", "u\"", "U\"", "L\"", "\""})
            if (S.compare(P, std::char_traits<char>::length(prefix), prefix) == 0) return true;
        return false;
    }

    std::string ReadString() {
        while (S[P] != '"' && S[P] != 'R') ++P;
        if (S[P] == 'R') {
            size_t open = S.find('(', P + 2);
            std::string close = ")" + S.substr(P + 2, open - P - 2) + "\"";
            size_t end = S.find(close, open);
            if (open == std::string::npos || end == std::string::npos) {
                P = S.size();
                return {};
            }
            std::string text = S.substr(open + 1, end - open - 1);
            P = end + close.size();
            return text;
        }
        std::string r;
        ++P;
        while (P < S.size() && S[P] != '"' && S[P] != '\n') {
            char c = S[P++];
            if (c != '\\' || P >= S.size()) {
                r += c;
                continue;
            }
            char e = S[P++];
            switch (e) {
            case 'n': r += '\n'; break;
            case 't': r += '\t'; break;
            case 'r': r += '\r'; break;
            case 'a': r += '\a'; break;
            case 'b': r += '\b'; break;
            case 'f': r += '\f'; break;
            case 'v': r += '\v'; break;
            case 'x': {
                unsigned v = 0;
                while (P < S.size() && std::isxdigit(static_cast<unsigned char>(S[P])))
                    v = v * 16 + std::stoi(std::string(1, S[P++]), nullptr, 16);
                r += static_cast<char>(v);
                break;
            }
            case 'u':
            case 'U': {
                size_t n = e == 'u' ? 4 : 8;
                AppendUtf8(r, static_cast<unsigned>(std::stoul(S.substr(P, n), nullptr, 16)));
                P += n;
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    unsigned v = e - '0';
                    for (int k = 0; k < 2 && P < S.size() && S[P] >= '0' && S[P] <= '7'; ++k)
                        v = v * 8 + (S[P++] - '0');
                    r += static_cast<char>(v);
                } else {
                    r += e; // \" \' \\ \?
                }
            }
        }
        ++P;
        return r;
    }
};

std::vector<TLiteral> InterfaceTexts() {
    std::vector<TLiteral> r;
    for (const char* dir : ScannedDirs) {
        if (!fs::is_directory(SourceRoot / dir)) continue;
        std::vector<fs::path> files;
        for (const auto& e : fs::recursive_directory_iterator(SourceRoot / dir)) {
            std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".cpp" || ext == ".h")) files.push_back(e.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            std::string src = ReadAll(f);
            for (TLiteral& l : TLiteralScanner(src, fs::relative(f, SourceRoot).string()).Run())
                if (HasCyrillic(l.Text) && !NotInterfaceTexts.count(l.Text)) r.push_back(std::move(l));
        }
    }
    return r;
}

std::string Escape(const std::string& s) {
    std::string r;
    for (char c : s) {
        if (c == '\t')
            r += "\\t";
        else if (c == '\n')
            r += "\\n";
        else if (c == '\r')
            r += "\\r";
        else if (c == '\\')
            r += "\\\\";
        else
            r += c;
    }
    return r;
}

struct TEntry {
    int Line;
    std::string Key;
    std::string Value;
};

std::vector<TEntry> ModuleEntries() {
    std::vector<TEntry> r;
    std::istringstream in(ReadAll(ModulePath));
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t tab = line.find('\t');
        r.push_back({n, zorb::UnescapeModuleText(line.substr(0, tab)),
                     tab == std::string::npos ? "" : zorb::UnescapeModuleText(line.substr(tab + 1))});
    }
    return r;
}

// printf conversions ("%d", "%.2f", "%-5s") and Format's indexed ones ("%0:d"), in order; "%%" is text.
std::vector<std::string> Placeholders(const std::string& s) {
    std::vector<std::string> r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') continue;
        if (i + 1 < s.size() && s[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < s.size() && std::string_view("0123456789:.-+# *").find(s[j]) != std::string_view::npos) ++j;
        if (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) {
            r.push_back(s.substr(i, j - i + 1));
            i = j;
        }
    }
    return r;
}

// Indexed placeholders may move in a translation; plain ones must keep their order.
std::vector<std::string> PlaceholderSet(const std::string& s) {
    std::vector<std::string> r = Placeholders(s);
    bool indexed =
        std::any_of(r.begin(), r.end(), [](const std::string& p) { return p.find(':') != std::string::npos; });
    if (indexed) std::sort(r.begin(), r.end());
    return r;
}

TEST(LanguageModule, ScannerSeesTextsAsTheCompilerDoes) {
    const std::string src = "// \"Комментарий\"\n"
                            "auto a = Tr(\"Первая \" /* \"нет\" */ \"часть\\r\\\"вторая\\\"\");\n"
                            "char q = '\"'; int n = 1'000; auto b = u8\"Юникод\\u0451\";\n"
                            "auto c = R\"x(Сырая \"строка\")x\"; /* \"Блок\" */ auto d = \"\\x41Б\\101\";\n";
    std::vector<TLiteral> got = TLiteralScanner(src, "f").Run();
    std::vector<std::string> texts;
    for (const auto& l : got) texts.push_back(l.Text);
    const std::vector<std::string> want = {"Первая часть\r\"вторая\"", "Юникодё", "Сырая \"строка\"", "AБA"};
    EXPECT_EQ(texts, want);
    EXPECT_EQ(got.at(3).Where, "f:4");
}

TEST(LanguageModule, PlaceholdersAreRecognised) {
    EXPECT_EQ(Placeholders("%d из %s: %.2f%%, %-5d; %0:d x %1:d; 100%"),
              (std::vector<std::string>{"%d", "%s", "%.2f", "%-5d", "%0:d", "%1:d"}));
}

TEST(LanguageModule, EnglishModuleCoversEveryInterfaceText) {
    ASSERT_TRUE(fs::exists(ModulePath)) << ModulePath;
    std::set<std::string> keys;
    for (const TEntry& e : ModuleEntries()) keys.insert(e.Key);
    std::map<std::string, std::string> missing; // text -> first place
    std::vector<TLiteral> texts = InterfaceTexts();
    ASSERT_GT(texts.size(), 300u) << "the source scan found too few texts: " << SourceRoot;
    for (const TLiteral& l : texts)
        if (!keys.count(l.Text)) missing.emplace(l.Text, l.Where);
    std::string report;
    for (const auto& [text, where] : missing) report += "  " + where + "\t" + Escape(text) + "\n";
    EXPECT_TRUE(missing.empty()) << missing.size() << " texts have no translation in " << ModulePath << ":\n" << report;
}

TEST(LanguageModule, EnglishModuleIsWellFormed) {
    std::vector<TEntry> entries = ModuleEntries();
    ASSERT_FALSE(entries.empty());
    std::map<std::string, int> seen;
    std::string report;
    for (const TEntry& e : entries) {
        std::string at = "  line " + std::to_string(e.Line) + ": " + Escape(e.Key) + "\n";
        if (e.Value.empty() || e.Value.find_first_not_of(' ') == std::string::npos) report += "no translation" + at;
        if (!seen.emplace(e.Key, e.Line).second) report += "duplicate of line " + std::to_string(seen[e.Key]) + at;
        if (PlaceholderSet(e.Key) != PlaceholderSet(e.Value)) report += "placeholders differ" + at;
        if (HasCyrillic(e.Value)) report += "Russian left in the translation" + at;
    }
    EXPECT_TRUE(report.empty()) << report;

    // The program's own loader reads the same entries and translates each key.
    zorb::LoadLanguageModule(ModulePath.string());
    EXPECT_EQ(zorb::TranslationCount(), static_cast<int>(entries.size()));
    for (const TEntry& e : entries) EXPECT_EQ(zorb::Tr(e.Key), e.Value) << "line " << e.Line;
    zorb::LoadLanguageModule("");
}

// Texts the statistics registry builds at run time (formatted captions, help pages) are translated too.
TEST(LanguageModule, StatisticsRegistryShowsNoRussianWithTheModule) {
    zorb::LoadLanguageModule(ModulePath.string());
    std::string report;
    auto check = [&](const std::string& what, const std::string& text) {
        if (HasCyrillic(text)) report += "  " + what + ": " + Escape(text) + "\n";
    };
    zorb::TStatList list;
    list.BuildMethods();
    ASSERT_GT(list.MethodCount(), 0);
    for (int i = 0; i < list.MethodCount(); ++i) {
        check("method " + list.CodeOf(i), list.DisplayName(i, true));
        check("help page of " + list.CodeOf(i), zorb::MethodHelpPage(list, i));
    }
    for (int g = 0; g <= 12; ++g) check("group " + std::to_string(g), zorb::GroupCaption(g));
    for (int c = 0; c < zorb::StatColumnCount; ++c) check("column " + std::to_string(c), zorb::StatColumnCaption(c));
    zorb::LoadLanguageModule("");
    EXPECT_TRUE(report.empty()) << report;
}

} // namespace
