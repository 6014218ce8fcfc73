#include "tools/ManPage.h"

#include <cctype>
#include <stdexcept>

namespace zorb::manpage {

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

size_t Indent(const std::string& line) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i;
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool IsHeading(const std::string& line) {
    const std::string t = Trim(line);
    return Indent(line) == 0 && t.size() > 1 && t.back() == ':' && t.find("  ") == std::string::npos;
}

// The parser pads names to a column; a name longer than the column puts its description on the next line, and a
// description with line breaks continues there too, indented past the name.
constexpr size_t ContinuationIndent = 6;

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A macro argument in double quotes.
std::string Quoted(std::string_view text) {
    std::string r = "\"";
    for (const char c : RoffText(text)) {
        if (c == '"')
            r += "\\(dq";
        else
            r += c;
    }
    return r + '"';
}

std::string Bold(std::string_view text) {
    return "\\fB" + RoffText(text) + "\\fR";
}

// The usage line without the program's name, which the page already prints in bold.
std::string UsageArguments(const std::string& usage, const std::string& name) {
    if (usage.rfind(name, 0) == 0) return Trim(std::string_view(usage).substr(name.size()));
    return usage;
}

bool IsHelpFlag(const THelpEntry& e) {
    return e.Name.find("--help") != std::string::npos;
}

void WriteParagraph(std::string& out, const std::vector<std::string>& lines) {
    bool first = true;
    for (const auto& line : lines) {
        if (!first) out += ".br\n";
        out += RoffText(line) + '\n';
        first = false;
    }
}

void WriteEntries(std::string& out, const THelpSection& section, bool skipHelpFlag) {
    for (const auto& e : section.Entries) {
        if (skipHelpFlag && IsHelpFlag(e)) continue;
        out += ".TP\n" + Bold(e.Name) + '\n';
        if (!e.Description.empty()) out += RoffText(e.Description) + '\n';
    }
    if (!section.Text.empty()) {
        out += ".PP\n";
        WriteParagraph(out, section.Text);
    }
}

bool HasContent(const THelpSection& section, bool skipHelpFlag) {
    if (!section.Text.empty()) return true;
    for (const auto& e : section.Entries)
        if (!skipHelpFlag || !IsHelpFlag(e)) return true;
    return false;
}

struct TBlock {
    std::vector<std::string> Path;
    THelp Help;
};

void Collect(const THelpSource& helpOf, std::vector<std::string> path, bool recurse, int maxDepth,
             std::vector<TBlock>& blocks) {
    const std::string text = helpOf(path);
    if (Trim(text).empty()) {
        std::string command;
        for (const auto& word : path) command += ' ' + word;
        throw std::runtime_error("no help text for" + (command.empty() ? std::string(" the program") : command));
    }
    blocks.push_back({path, ParseHelp(text)});
    if (!recurse || static_cast<int>(path.size()) >= maxDepth) return;
    const std::vector<std::string> subs = SubcommandNames(blocks.back().Help);
    for (const auto& sub : subs) {
        std::vector<std::string> next = path;
        next.push_back(sub);
        Collect(helpOf, std::move(next), recurse, maxDepth, blocks);
    }
}

} // namespace

THelp ParseHelp(std::string_view text) {
    const std::vector<std::string> lines = SplitLines(text);
    THelp help;
    size_t i = 0;
    size_t usageAt = lines.size();
    for (size_t k = 0; k < lines.size(); ++k)
        if (StartsWithNoCase(Trim(lines[k]), "usage:")) {
            usageAt = k;
            break;
        }
    if (usageAt < lines.size()) {
        for (; i < usageAt; ++i)
            if (!Trim(lines[i]).empty()) help.Description.push_back(Trim(lines[i]));
        help.Usage = Trim(Trim(lines[usageAt]).substr(6));
        i = usageAt + 1;
    }

    THelpSection* section = nullptr;
    auto current = [&]() -> THelpSection& {
        if (!section) {
            help.Sections.push_back({});
            section = &help.Sections.back();
        }
        return *section;
    };
    size_t entryIndent = 0;
    bool continuable = false; // a blank line or a text line ends an entry's description
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string t = Trim(line);
        if (t.empty()) {
            continuable = false;
            continue;
        }
        if (IsHeading(line)) {
            help.Sections.push_back({t.substr(0, t.size() - 1), {}, {}});
            section = &help.Sections.back();
            continuable = false;
            continue;
        }
        const size_t indent = Indent(line);
        THelpSection& s = current();
        if (indent == 0) {
            s.Text.push_back(t);
            continuable = false;
            continue;
        }
        if (continuable && indent >= entryIndent + ContinuationIndent && !s.Entries.empty()) {
            std::string& d = s.Entries.back().Description;
            d += (d.empty() ? "" : " ") + t;
            continue;
        }
        const size_t gap = t.find("  ");
        THelpEntry e;
        if (gap == std::string::npos) {
            e.Name = t;
        } else {
            e.Name = t.substr(0, gap);
            e.Description = Trim(std::string_view(t).substr(gap));
        }
        s.Entries.push_back(std::move(e));
        entryIndent = indent;
        continuable = true;
    }
    return help;
}

std::vector<std::string> SubcommandNames(const THelp& help) {
    std::vector<std::string> names;
    for (const auto& s : help.Sections) {
        if (!StartsWithNoCase(s.Title, "subcommands")) continue;
        for (const auto& e : s.Entries) {
            const std::string name = e.Name.substr(0, e.Name.find(' '));
            if (!name.empty() && name[0] != '-') names.push_back(name);
        }
    }
    return names;
}

std::string RoffText(std::string_view text) {
    std::string r;
    r.reserve(text.size() + 8);
    if (!text.empty() && (text[0] == '.' || text[0] == '\'')) r += "\\&";
    for (const char c : text) {
        if (c == '\\')
            r += "\\e";
        else if (c == '-')
            r += "\\-";
        else
            r += c;
    }
    return r;
}

std::string MakeManPage(const TPageInfo& info, const THelpSource& helpOf, bool recurse, int maxDepth) {
    std::vector<TBlock> blocks;
    Collect(helpOf, {}, recurse, maxDepth, blocks);
    const THelp& top = blocks.front().Help;

    std::string out;
    out += ".\\\" Made from the program's --help text; change the help, not this page.\n";
    out += ".TH " + Quoted(Upper(info.Name)) + ' ' + std::to_string(info.Section) + ' ' + Quoted(info.Date) + ' ' +
           Quoted(info.Source) + ' ' + Quoted(info.Manual) + '\n';
    std::string summary = info.Summary;
    if (summary.empty() && !top.Description.empty()) summary = top.Description.front();
    if (summary.empty()) summary = info.Name;
    // "prog: what it does" is a common first line; the NAME line already starts with the name.
    if (summary.rfind(info.Name + ": ", 0) == 0) summary = summary.substr(info.Name.size() + 2);
    out += ".SH NAME\n" + RoffText(info.Name) + " \\- " + RoffText(summary) + '\n';

    out += ".SH SYNOPSIS\n" + Bold(info.Name);
    const std::string args = UsageArguments(top.Usage, info.Name);
    out += args.empty() ? "\n" : ' ' + RoffText(args) + '\n';

    const bool onlySummary = info.Summary.empty() && top.Description.size() == 1;
    if (!top.Description.empty() && !onlySummary) {
        out += ".SH DESCRIPTION\n";
        WriteParagraph(out, top.Description);
    }
    for (const auto& s : top.Sections) {
        if (!HasContent(s, false)) continue;
        out += ".SH " + Quoted(Upper(s.Title.empty() ? std::string("Notes") : s.Title)) + '\n';
        WriteEntries(out, s, false);
    }

    if (blocks.size() > 1) {
        out += ".SH COMMANDS\n";
        for (size_t b = 1; b < blocks.size(); ++b) {
            const TBlock& block = blocks[b];
            std::string command = info.Name;
            for (const auto& word : block.Path) command += ' ' + word;
            out += ".SS " + Quoted(command) + '\n';
            if (!block.Help.Description.empty()) WriteParagraph(out, block.Help.Description);
            if (!block.Help.Usage.empty()) out += ".PP\n" + Bold(block.Help.Usage) + '\n';
            for (const auto& s : block.Help.Sections) {
                if (!HasContent(s, true)) continue;
                if (!s.Title.empty()) out += ".PP\n\\fI" + RoffText(s.Title) + ":\\fR\n";
                WriteEntries(out, s, true);
            }
        }
    }

    if (!info.SeeAlso.empty()) {
        out += ".SH \"SEE ALSO\"\n";
        for (size_t k = 0; k < info.SeeAlso.size(); ++k) {
            const std::string& ref = info.SeeAlso[k];
            const size_t paren = ref.find('(');
            const std::string sep = k + 1 < info.SeeAlso.size() ? "," : "";
            if (paren == std::string::npos)
                out += ".BR " + Quoted(ref) + (sep.empty() ? "" : " " + sep) + '\n';
            else
                out += ".BR " + Quoted(ref.substr(0, paren)) + ' ' + ref.substr(paren) + sep + '\n';
        }
    }
    return out;
}

} // namespace zorb::manpage
