#include "core/Translate.h"
#include "core/Errors.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace zorb {
namespace {

// A module line as it stands in the file, a source text and the translation the program must show for it.
struct TModuleLineCase {
    std::string Line;
    std::string Source;
    std::string Shown;
};

class ModuleLines : public ::testing::TestWithParam<TModuleLineCase> {
protected:
    void TearDown() override { LoadLanguageModule(""); }
};

TEST_P(ModuleLines, EscapesAreReadOnBothSides) {
    const TModuleLineCase& c = GetParam();
    test::TTempDir dir;
    const std::string path = dir.File("Zorb_6x52_ENG.lng");
    test::WriteRaw(path, "# comment\r\n" + c.Line + "\r\n");
    LoadLanguageModule(path);
    EXPECT_EQ(Tr(c.Source), c.Shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModuleLines,
    ::testing::Values(TModuleLineCase{"Привет\tHello", "Привет", "Hello"},
                      TModuleLineCase{"Строка\\nвторая\tLine\\nsecond", "Строка\nвторая", "Line\nsecond"},
                      TModuleLineCase{"Ошибка!\\r\\r%s\tError!\\r\\r%s", "Ошибка!\r\r%s", "Error!\r\r%s"},
                      TModuleLineCase{"Таб\\t\tTab\\t", "Таб\t", "Tab\t"},
                      TModuleLineCase{"Косая \\\\ черта\tSlash \\\\ mark", "Косая \\ черта", "Slash \\ mark"},
                      TModuleLineCase{"\\\\t\tBackslash and t", "\\t", "Backslash and t"},
                      TModuleLineCase{"Иное \\q\tOther \\q", "Иное q", "Other q"},
                      TModuleLineCase{"Хвост\tTail \\", "Хвост", "Tail \\"},
                      TModuleLineCase{"Пробел \tBlank ", "Пробел ", "Blank "},
                      TModuleLineCase{"Без перевода", "Без перевода", "Без перевода"}));

// An allocation failure reads as a sentence in the interface language, not as the library's "std::bad_alloc".
TEST(ErrorTexts, AllocationFailureIsSaidInWords) {
    EXPECT_EQ(ErrorText(std::bad_alloc()), "Недостаточно памяти для выполнения команды.");
    EXPECT_EQ(ErrorText(EZorbError("Файл не найден")), "Файл не найден");
}

} // namespace
} // namespace zorb
