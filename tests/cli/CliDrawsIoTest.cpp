#include "../common/TestHttpServer.h"
#include "CliFixture.h"

namespace zorb::test {
namespace {

std::string RangeFile(int newest, int oldest) {
    std::string r = "header\r\n";
    for (int d = newest; d >= oldest; --d)
        r += std::to_string(d) + ";2021-04-01;;;" + std::to_string(d % 40 + 1) + ";41;42;43;44;45\r\n";
    return r;
}

TEST_F(CliTest, ExportImportRoundTripAndRepeatedImport) {
    WriteRaw(Archive(), RawDrawRange(1, 40));
    const std::string csv = Dir.File("out.csv");
    TRun r = Run({"draws", "export", csv});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "Выгружено тиражей: 40\n");
    const std::string archive = ReadRaw(Archive());

    std::filesystem::remove(Archive());
    r = Run({"draws", "import", csv});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "Добавлено тиражей: 40\n");
    EXPECT_EQ(ReadRaw(Archive()), archive);

    r = Run({"draws", "import", csv});
    EXPECT_EQ(r.Out, "Добавлено тиражей: 0\n");
    EXPECT_EQ(ReadRaw(Archive()), archive);

    WriteRaw(Dir.File("bad.csv"), "41;2021-05-01;1;2;3;4;5;99\r\n42;2021-05-02;1;2;3;4;5;6\r\n");
    r = Run({"draws", "import", Dir.File("bad.csv")});
    EXPECT_EQ(r.Out, "Добавлено тиражей: 1\n");
    EXPECT_NE(r.Err.find("Строк с неверными числами пропущено: 1."), std::string::npos) << r.Err;

    r = Run({"draws", "import", Dir.File("absent.csv")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("absent.csv"), std::string::npos);
    r = Run({"draws", "export", Dir.File("no/such/dir/x.csv")});
    EXPECT_EQ(r.Code, 1);
}

TEST_F(CliTest, DownloadFromAGivenAddress) {
    TTestHttpServer http;
    const std::string zip = MakeZip({{"ZorbMega_Results__1-1000.csv", RangeFile(46, 1)}});
    http.Server().Get(
        "/r.zip", [&](const httplib::Request&, httplib::Response& res) { res.set_content(zip, "application/zip"); });
    http.Start();
    WriteRaw(Archive(), RawDrawRange(1, 40));
    TRun r = Run({"draws", "download", "--url", http.Url("/r.zip")});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "Добавлено тиражей: 6\n");
    EXPECT_EQ(Lines(Run({"draws", "list", "--csv"}).Out)[1].substr(0, 3), "46;");

    r = Run({"draws", "download", "--url", http.Url("/missing.zip")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("Ошибка загрузки файла с архивом тиражей!"), std::string::npos) << r.Err;
    r = Run({"draws", "download"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("Адрес архива результатов лотереи не задан"), std::string::npos) << r.Err;
}

} // namespace
} // namespace zorb::test
