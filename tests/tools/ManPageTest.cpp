// Manual pages made from help texts: each folder of tests/data/manpage holds the help of a program
// (help.txt) and of its subcommands (help.SUB.SUB.txt) and the page expected from them (expected.1).
// ZORB_UPDATE_GOLDEN=1 rewrites the expected pages after a deliberate change.
#include "tools/ManPage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zorb::manpage {
namespace {

namespace fs = std::filesystem;

const fs::path Root = fs::path(ZORB_TEST_DATA) / "manpage";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The help of a subcommand path from the case's files; a missing file is an empty help.
THelpSource FolderSource(const fs::path& dir) {
    return [dir](const std::vector<std::string>& path) {
        std::string name = "help";
        for (const auto& word : path) name += '.' + word;
        const fs::path file = dir / (name + ".txt");
        return fs::exists(file) ? ReadText(file) : std::string();
    };
}

TPageInfo CaseInfo() {
    TPageInfo info;
    info.Name = "prog";
    info.Date = "2026-01-02";
    info.Source = "Prog 1.0";
    info.SeeAlso = {"other(1)", "more(5)"};
    return info;
}

class ManPageGolden : public testing::TestWithParam<std::string> {};

TEST_P(ManPageGolden, MatchesExpected) {
    const fs::path dir = Root / GetParam();
    const std::string page = MakeManPage(CaseInfo(), FolderSource(dir), true);
    const fs::path expected = dir / "expected.1";
    if (std::getenv("ZORB_UPDATE_GOLDEN")) std::ofstream(expected, std::ios::binary) << page;
    EXPECT_EQ(page, ReadText(expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, ManPageGolden, testing::Values("subcommands", "plain-usage", "roff-hostile"),
                         [](const testing::TestParamInfo<std::string>& p) {
                             std::string name = p.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

TEST(ManPage, MissingSubcommandHelpIsAnErrorNamingTheCommand) {
    const fs::path dir = Root / "subcommands";
    auto source = FolderSource(dir);
    auto withoutBeta = [&](const std::vector<std::string>& path) {
        return path == std::vector<std::string>{"beta"} ? std::string("  \n") : source(path);
    };
    try {
        MakeManPage(CaseInfo(), withoutBeta, true);
        FAIL() << "an empty help must not make a page";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("beta"), std::string::npos) << e.what();
    }
}

TEST(ManPage, WithoutRecurseNoSubcommandIsAsked) {
    int asked = 0;
    auto source = [&](const std::vector<std::string>& path) {
        ++asked;
        return FolderSource(Root / "subcommands")(path);
    };
    const std::string page = MakeManPage(CaseInfo(), source, false);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(page.find(".SH COMMANDS"), std::string::npos);
}

} // namespace
} // namespace zorb::manpage
