// Manual pages made from a program's own --help text, so that the page and the help cannot drift apart. The help
// is read in the layout the command-line parser prints: description lines, a "Usage:" line, then sections
// ("Options:", "Positionals:", "Subcommands:", ...) of indented "NAME   description" entries. Lines that fit no
// entry are kept as plain text, so any program's help gives a readable page.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zorb::manpage {

struct THelpEntry {
    std::string Name;        // "-h,--help", "NUMBERS TEXT REQUIRED", "draws"
    std::string Description; // continuation lines joined with spaces
};

struct THelpSection {
    std::string Title;               // without the colon; empty for text before the first heading
    std::vector<THelpEntry> Entries; // indented name and description lines
    std::vector<std::string> Text;   // lines that are not entries, in order
};

struct THelp {
    std::vector<std::string> Description; // lines before the usage line
    std::string Usage;                    // after "Usage:": the program's name and its arguments
    std::vector<THelpSection> Sections;
};

THelp ParseHelp(std::string_view text);
// The names listed under "Subcommands:" (first word of each entry).
std::vector<std::string> SubcommandNames(const THelp& help);

struct TPageInfo {
    std::string Name; // the program's file name
    int Section = 1;
    std::string Summary; // the NAME line; the first description line when empty
    std::string Date;    // yyyy-mm-dd
    std::string Source;  // e.g. "Zorb 6x52 1.0.0"
    std::string Manual = "User Commands";
    std::vector<std::string> SeeAlso; // "zorb-cli(1)"
};

// The help text of the program (path empty) or of one of its subcommands (path = the words after the program).
using THelpSource = std::function<std::string(const std::vector<std::string>& path)>;

// Writes the page in roff (man macros). With recurse, every subcommand's help is fetched depth-first and
// becomes a subsection, down to maxDepth words. Throws std::runtime_error when a help text is empty.
std::string MakeManPage(const TPageInfo& info, const THelpSource& helpOf, bool recurse, int maxDepth = 4);

// One line of text made safe for roff: backslashes, leading dots and quotes, and minus signs.
std::string RoffText(std::string_view text);

} // namespace zorb::manpage
