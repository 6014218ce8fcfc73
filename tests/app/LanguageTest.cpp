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

} // namespace
} // namespace zorb::test
