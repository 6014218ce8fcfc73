// The combos commands: the counts a user checks first, files in and out, and the errors they can make.
#include "CliFixture.h"

#include "core/DrawArchive.h"
#include "tools/SampleArchive.h"

namespace zorb::test {
namespace {

class CliCombos : public CliTest {
protected:
    void SetUp() override { WriteRaw(Archive(), EncodeDraws(MakeSampleArchive(200))); }
};

TEST_F(CliCombos, KnownCountsOfTheFullSet) {
    struct TCase {
        std::vector<std::string> Args;
        const char* Out;
    };
    const TCase cases[] = {
        {{"combos", "generate"}, "Комбинаций: 20358520\n"},
        {{"combos", "generate", "--mode", "2", "--params", "1;2;3;4;5;6;7"}, "Комбинаций: 7\n"},
        {{"combos", "filter", "NUMS", "--values", "7", "--keep"}, "Комбинаций: 2349060\n"},
        {{"combos", "filter", "NUMS", "--values", "7", "--remove"}, "Комбинаций: 18009460\n"},
        {{"combos", "filter", "EVEN", "--values", "0:6", "--keep"}, "Комбинаций: 230230\n"},
        {{"combos", "filter", "NUMS", "--values", "1;2", "--keep", "--mode", "2", "--params", "1;2;3;4;5;6;7"},
         "Комбинаций: 7\n"},
    };
    for (const auto& c : cases) {
        TRun r = Run(c.Args);
        EXPECT_EQ(r.Code, 0) << r.Err;
        EXPECT_EQ(r.Out, c.Out) << c.Args[1];
    }
}

TEST_F(CliCombos, FilesInAndOutAndRemovingTheLastDraws) {
    const std::string seven = Dir.File("seven.lcv");
    TRun gen = Run({"combos", "generate", "--mode", "2", "--params", "1;2;3;4;5;6;7", "-o", seven});
    ASSERT_EQ(gen.Code, 0) << gen.Err;
    EXPECT_EQ(ReadRaw(seven).substr(0, 26), "1;2;3;4;5;6\r\n1;2;3;4;5;7\r\n");
    TRun count = Run({"combos", "count-numbers", "-i", seven});
    EXPECT_EQ(count.Out, "В текущем списке комбинаций содержится 7 уникальных номеров\n");
    // The newest draw of the archive, in drawn order, is removed from a list that holds it.
    const TDrawsArray draws = MakeSampleArchive(200);
    TComb newest = DrawNumbers(draws.back());
    SortComb(newest);
    WriteRaw(Dir.File("one.lcv"), CombToList(newest) + "\r\n1;2;3;4;5;6\r\n");
    TRun removed = Run({"combos", "remove-last", "1", "-i", Dir.File("one.lcv"), "-o", Dir.File("left.lcv")});
    EXPECT_EQ(removed.Out, "Комбинаций: 1\n") << removed.Err;
    EXPECT_EQ(ReadRaw(Dir.File("left.lcv")), "1;2;3;4;5;6\r\n");
    TRun offset = Run({"combos", "remove-last", "1", "--offset", "1", "-i", Dir.File("one.lcv")});
    EXPECT_EQ(offset.Out, "Комбинаций: 2\n");
}

TEST_F(CliCombos, FindsADrawInTheArchive) {
    const TDrawsArray draws = MakeSampleArchive(200);
    TRun r = Run({"combos", "find", CombToList(DrawNumbers(draws[150]))});
    EXPECT_EQ(r.Code, 0);
    EXPECT_NE(r.Out.find("Тираж № 151 от "), std::string::npos) << r.Out;
    TRun none = Run({"combos", "find", "1;2;3;4;5;6"});
    EXPECT_EQ(none.Out, "Выделенная комбинация не найдена архиве тиражей!\n");
}

TEST_F(CliCombos, MistakesAreReported) {
    struct TCase {
        std::vector<std::string> Args;
        const char* Err;
    };
    const TCase cases[] = {
        {{"combos", "filter", "NOPE", "--values", "1", "--keep"}, "Метод \"NOPE\" не найден!"},
        {{"combos", "filter", "NUMS", "--values", "99", "--keep"}, "Значения \"99\" нет в таблице метода NUMS!"},
        {{"combos", "filter", "NUMS", "--values", "7"}, "Укажите либо --keep, либо --remove."},
        {{"combos", "generate", "--mode", "9"}, ""},
        {{"combos", "filter", "NUMS", "--values", "7", "--keep", "-i", "/nonexistent/x.lcv"}, "Ошибка чтения файла"},
        {{"combos", "find", "1;2;3"}, "Некорректная комбинация: \"1;2;3\"!"},
    };
    for (const auto& c : cases) {
        TRun r = Run(c.Args);
        EXPECT_EQ(r.Code, 1) << c.Args.back();
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
    }
}

} // namespace
} // namespace zorb::test
