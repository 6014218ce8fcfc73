// Every user-visible text passes through Tr. Russian is built in; a language module maps Russian texts to
// another language. Modules are UTF-8 text files of "source<TAB>translation" lines ("\t", "\n", "\r" and "\\"
// escaped, "#" starts a comment line), named "<program>_<ABBR>.lng" beside the executable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorb {

constexpr int BuiltInLanguage = 1049; // Russian

struct TLanguageInfo {
    int Lcid;
    const char* Abbrev;  // three-letter abbreviation, as in module and help file names
    const char* IsoCode; // ISO 639-2 code, also accepted in module names ("ENG" beside "ENU")
    const char* Name;    // the language's own name
};

const std::vector<TLanguageInfo>& KnownLanguages();
const TLanguageInfo* FindLanguage(int lcid); // by primary language
std::string LanguageAbbrev(int lcid);        // "RUS" for an unknown identifier
// The abbreviations a module file name may carry, preferred first.
std::vector<std::string> LanguageModuleAbbrevs(int lcid);
bool SamePrimaryLanguage(int a, int b);

std::string Tr(std::string_view text);

// Loads a module (raises on a file that cannot be read); an empty path returns to the built-in language.
void LoadLanguageModule(const std::string& path);
int TranslationCount();
// One side of a module line as text: "\t", "\n", "\r" and "\\" read as the characters, a backslash before any
// other character as that character, a lone trailing backslash as itself.
std::string UnescapeModuleText(std::string_view s);

} // namespace zorb
