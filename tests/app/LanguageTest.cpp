#include "AppFixture.h"
#include "core/Translate.h"

#include <algorithm>

namespace zorb::test {
namespace {

class LanguageTest : public AppTest {
protected:
    void TearDown() override { LoadLanguageModule(""); } // the table is process-wide
    void InstallModule(const std::string& name) {
        WriteRaw(JoinPath(Exe.Path(), name), ReadRaw(std::string(ZORB_SAMPLE_DIR) + "/../lang/Zorb_6x52_ENG.lng"));
    }
};

class LanguageModuleNameTest : public LanguageTest, public testing::WithParamInterface<const char*> {};

// A module may be named with the Windows abbreviation or the ISO code; either is offered and loaded.
TEST_P(LanguageModuleNameTest, EnglishModuleIsFoundAndLoaded) {
    InstallModule(GetParam());
    WriteRaw(Frm(), "[TFormMain]\nLanguage=1033\nDownloadDrawsOnStart=2\n");
    Start();
    std::vector<int> langs = App->AvailableLanguages();
    EXPECT_NE(std::find(langs.begin(), langs.end(), 1033), langs.end());
    EXPECT_EQ(App->Language(), 1033);
    EXPECT_EQ(Ui.Panels[0], "Draw archive: 0");
    EXPECT_NE(App->Caption().find(" version "), std::string::npos) << App->Caption();
}
INSTANTIATE_TEST_SUITE_P(Names, LanguageModuleNameTest, testing::Values("Zorb_6x52_ENG.lng", "Zorb_6x52_ENU.lng"));

TEST_F(LanguageTest, WithoutAModuleTheBuiltInLanguageStays) {
    WriteRaw(Frm(), "[TFormMain]\nLanguage=1033\nDownloadDrawsOnStart=2\n");
    Start();
    EXPECT_EQ(App->AvailableLanguages(), std::vector<int>{BuiltInLanguage});
    EXPECT_EQ(App->Language(), BuiltInLanguage);
    EXPECT_EQ(Ui.Panels[0], "Архив тиражей: 0");
}

// F1 opens the user guide of the interface language, else the built-in language's one; without any it is off.
struct TGuideCase {
    const char* Name;
    int Language;
    std::vector<std::string> Guides; // installed in the program's "guide" folder
    std::string Opened;              // empty: GetHelp disabled
};
class HelpGuideTest : public LanguageTest, public testing::WithParamInterface<TGuideCase> {};
TEST_P(HelpGuideTest, F1OpensTheGuideOfTheInterfaceLanguage) {
    InstallModule("Zorb_6x52_ENG.lng");
    const std::string dir = JoinPath(Exe.Path(), "guide");
    ForceDirectories(dir);
    for (const std::string& g : GetParam().Guides) WriteRaw(JoinPath(dir, g), "<html></html>");
    WriteRaw(Frm(), "[TFormMain]\nLanguage=" + std::to_string(GetParam().Language) + "\nDownloadDrawsOnStart=2\n");
    Start();
    EXPECT_EQ(App->Execute("GetHelp"), !GetParam().Opened.empty());
    const std::vector<std::string> expected = GetParam().Opened.empty()
                                                  ? std::vector<std::string>{}
                                                  : std::vector<std::string>{JoinPath(dir, GetParam().Opened)};
    EXPECT_EQ(Ui.OpenedDocuments, expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, HelpGuideTest,
    testing::Values(TGuideCase{"Russian", 1049, {"Zorb_6x52_RUS.html", "Zorb_6x52_ENG.html"}, "Zorb_6x52_RUS.html"},
                    TGuideCase{"English", 1033, {"Zorb_6x52_RUS.html", "Zorb_6x52_ENG.html"}, "Zorb_6x52_ENG.html"},
                    TGuideCase{"EnglishWithoutItsOwn", 1033, {"Zorb_6x52_RUS.html"}, "Zorb_6x52_RUS.html"},
                    TGuideCase{"None", 1049, {}, ""}),
    [](const auto& c) { return std::string(c.param.Name); });

} // namespace
} // namespace zorb::test
