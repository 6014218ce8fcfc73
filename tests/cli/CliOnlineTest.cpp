// The online verbs against zorb-server running in the test process on a temporary SQLite file.
#include "../server/ServerFixture.h"
#include "CliFixture.h"
#include "core/FileUtils.h"

#include <fstream>
#include <utime.h>

namespace zorb::test {
namespace {

class CliOnlineTest : public CliTest {
protected:
    TTempDir ServerDir;
    TTestHttpServer Http;
    std::unique_ptr<server::TZorbServer> Server;

    void SetUp() override {
        Server = std::make_unique<server::TZorbServer>(server::OpenSqliteStore(ServerDir.File("z.db")),
                                                       server::TServerOptions{});
        Server->Install(Http.Server());
        Http.Start();
    }
    TRun Online(std::vector<std::string> args, const std::string& mail = "ivan@example.org") {
        for (const std::string& a : {std::string("--server"), Http.Url(""), std::string("--name"), std::string("Иван"),
                                     std::string("--mail"), mail})
            args.push_back(a);
        return Run(args);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = Dir.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(CliOnlineTest, SystemRoundTripCoverageExpandAndOwnership) {
    const std::string file = Write("pairs.txt", "1,2,3,4,5,6\n1 2 3 4 7 8\njunk\n1-2-5-6-7-8\n3 4 5 6 7 8\n");
    TRun r = Online({"systems", "put", file, "--title", "Пары", "--descr", "Три пары из четырёх", "--olap", "2"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "Система #1\n");

    r = Online({"systems", "list", "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    ASSERT_EQ(Lines(r.Out).size(), 2u);
    EXPECT_EQ(Lines(r.Out)[1].rfind("1;Пары;Иван;08;2;4;", 0), 0u) << r.Out;

    r = Online({"systems", "get", "1"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const std::string path = JoinPath(Dir.File("Systems"), "6-08-2_0001.dat");
    EXPECT_EQ(r.Out, path + "\n");
    EXPECT_EQ(ReadFileBytes(path),
              "01 02 03 04 05 06\r\n01 02 03 04 07 08\r\n01 02 05 06 07 08\r\n03 04 05 06 07 08\r\n");
    EXPECT_NE(Online({"systems", "list", "--csv"}).Out.find(";Загружена;1;"), std::string::npos);

    r = Run({"systems", "coverage", "--nums", "8", "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[0], "k;m;Наборов;Дыр;Покрытие, %;Тиражей");
    EXPECT_EQ(lines[21], "6;6;28;24;14.29;24");
    EXPECT_EQ(lines[15], "5;5;56;32;42.86;1408");
    EXPECT_EQ(lines[20], "6;5;28;0;100.00;0");

    r = Run({"systems", "expand", "--numbers", "40;3;17;9;25;33;1;52"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"3;9;17;25;33;40", "1;3;9;17;40;52", "1;3;25;33;40;52",
                                                      "1;9;17;25;33;52", "Комбинаций: 4"}));

    // Stakes as the system game makes them: the list's numbers in order of first appearance, filtered by the list.
    const std::string lcv =
        Write("list.lcv", "3;9;17;25;33;40\r\n1;17;25;33;40;52\r\n1;3;9;17;33;40\r\n1;3;9;17;25;52\r\n");
    r = Run({"systems", "expand", "-i", lcv, "--filtered", "--stake", "--draw", "500", "--count", "2"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"3;9;17;25;33;40", "1;3;9;17;25;52", "1;17;25;33;40;52",
                                                      "Комбинаций: 3", "Ставок: 6"}));
    r = Run({"stakes", "list", "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Системная игра для 8 чисел [комбинации]: 6-08-2_0001"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("501"), std::string::npos) << r.Out;

    r = Online({"systems", "delete", "1"}, "petr@example.org");
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("Вы можете удалять только свои системы!\n"), std::string::npos) << r.Err;
    r = Online({"systems", "delete", "1"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_FALSE(FileExists(path));
}

// As the tab's refresh: a downloaded system whose file time is not the server's date is fetched again.
TEST_F(CliOnlineTest, ListFetchesAgainADownloadedSystemChangedOnTheServer) {
    ASSERT_EQ(
        Online({"systems", "put", Write("a.txt", "1 2 3 4 5 6\n1 2 3 4 7 8\n"), "--title", "T", "--descr", "D"}).Code,
        0);
    ASSERT_EQ(Online({"systems", "get", "1"}).Code, 0);
    const std::string path = JoinPath(Dir.File("Systems"), "6-08-0_0001.dat");
    ASSERT_EQ(Online({"systems", "put", Write("b.txt", "2 3 4 5 6 7\n"), "--id", "1", "--title", "T", "--descr", "D",
                      "--nums", "8"})
                  .Code,
              0);
    // The change may fall within the second of the download: the file's time is set apart from it.
    const utimbuf old{1000000000, 1000000000};
    ASSERT_EQ(::utime(path.c_str(), &old), 0);
    const TRun r = Online({"systems", "list", "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(ReadFileBytes(path), "02 03 04 05 06 07\r\n");
}

TEST_F(CliOnlineTest, MalformedSystemsAreRefused) {
    // A position beyond the numbers given, and a repeated one.
    TRun r = Online({"systems", "put", Write("a.txt", "1 2 3 4 5 9\n"), "--title", "T", "--descr", "D", "--nums", "8"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("Строка 1 системы"), std::string::npos) << r.Err;
    r = Run({"systems", "coverage", Write("b.txt", "1 2 3 4 5 5\n1 2 3 4 5 8\n")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("Строка 1 системы"), std::string::npos) << r.Err;
    r = Run({"systems", "coverage", Write("6-08-0_0009.dat", "1 2 3 4 5 9\n")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Online({"systems", "list", "--csv"}).Out.find("Список систем пуст") != std::string::npos);
}

TEST_F(CliOnlineTest, ScenarioRoundTripRatingsAndTitles) {
    const std::string text = "SUMS:=\"100-150\"\r\n\r\nNUMS:=\"1;2\" кавычки \"?\" и \\ \r\n";
    const std::string file = Write("in.lsc", text);
    TRun r = Online({"library", "put", file, "--title", "Мой сценарий", "--descr", "Описание"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "Сценарий #1\n");
    r = Online({"library", "put", file, "--title", " мой СЦЕНАРИЙ "}, "petr@example.org");
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("Сценарий с таким названием уже существует!\nВыберите другое название.\n"), std::string::npos)
        << r.Err;

    r = Online({"library", "get", "1", "-o", Dir.File("out.lsc")}, "petr@example.org");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(ReadFileBytes(Dir.File("out.lsc")), text);

    // Without a file: into the current scenario, and published from it.
    r = Online({"library", "get", "1"}, "petr@example.org");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "Строк сценария: 3\n");
    EXPECT_EQ(ReadFileBytes(Dir.File("Zorb_6x52.lss")), text);
    r = Online({"library", "put", "--title", "Копия", "--private"}, "petr@example.org");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "Сценарий #2\n");
    EXPECT_EQ(Lines(Online({"library", "list", "--csv"}).Out).size(), 2u); // the private one is not shown to others
    ASSERT_EQ(Online({"library", "delete", "2"}, "petr@example.org").Code, 0);

    ASSERT_EQ(Online({"library", "rate", "1", "2"}, "petr@example.org").Code, 0);
    ASSERT_EQ(Online({"library", "rate", "1", "4", "--notes", "хорошо"}, "petr@example.org").Code, 0);
    ASSERT_EQ(Online({"library", "rate", "1", "5"}).Code, 0);
    r = Online({"library", "rates", "1", "--csv"});
    ASSERT_EQ(Lines(r.Out).size(), 3u) << r.Out;
    EXPECT_NE(r.Out.find(";4;"), std::string::npos);
    r = Online({"library", "list", "--csv"}, "petr@example.org");
    ASSERT_EQ(Lines(r.Out).size(), 2u) << r.Out;
    EXPECT_EQ(Lines(r.Out)[1].rfind("1;Общий;Мой сценарий;Иван;", 0), 0u) << r.Out;
    EXPECT_NE(Lines(r.Out)[1].find(";4.500;2;4;2;"), std::string::npos) << r.Out;

    ASSERT_EQ(Online({"library", "rate", "1", "hide"}, "petr@example.org").Code, 0);
    EXPECT_EQ(Lines(Online({"library", "list", "--csv"}, "petr@example.org").Out).size(), 1u);
    EXPECT_EQ(Lines(Online({"library", "list", "--filter", "0", "--csv"}, "petr@example.org").Out).size(), 2u);

    r = Online({"library", "delete", "1"}, "petr@example.org");
    EXPECT_EQ(r.Code, 1);
    ASSERT_EQ(Online({"library", "delete", "1"}).Code, 0);
    EXPECT_EQ(Lines(Online({"library", "list", "--filter", "1", "--csv"}).Out).size(), 1u);
}

} // namespace
} // namespace zorb::test
