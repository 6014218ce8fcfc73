// The self-update against a real HTTP server in the test process: descriptor, description, package and signature
// are served from memory; the signing key pair is made by the test, so no private key lives in the sources.
#include "net/SelfUpdate.h"
#include "../common/TestHttpServer.h"
#include "../common/UpdateTestUtil.h"
#include "core/Errors.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace zorb::test {
namespace {

class SelfUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("zorb-update-" + std::to_string(::getpid()));
        fs::remove_all(FDir);
        Put(FDir / "Zorb_6x52", "old program", fs::perms(0755));
        Put(FDir / "Zorb_6x52_ENG.lng", "old module");
        Put(FDir / "Zorb_6x52_DEU.lng", "obsolete module");
        // A portable copy: the user's files beside the program.
        for (const char* data : {"Zorb_6x52.ldr", "Zorb_6x52.~buff", "Zorb_6x52.~tmp", "Prefetchs/NUMS.dfc",
                                 "Zorb_6x52.lrs", "Zorb_6x52-3.log", "Systems/1-06-3_0001.dat", "mine.lcv",
                                 "ScriptLog_2024-01-01-10-00-00.txt", "Zorb_6x52.lsk.damaged-20240101-100000"})
            Put(FDir / data, std::string("data of ") + data);
        FPackage = MakePackage(GoodEntries());
        FServer.Server().Get("/au/Kesto_AU.cfg", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(FDescriptor, "text/plain");
        });
        FServer.Server().Get("/au/UpdDescr/UpdDescr_RUS_1.0.0.1201.txt",
                             [](const httplib::Request&, httplib::Response& res) {
                                 res.set_content("Исправлены ошибки.", "text/plain");
                             });
        FServer.Server().Get("/pkg.zip", [this](const httplib::Request&, httplib::Response& res) {
            ++FPackageRequests;
            res.set_content(FPackage, "application/zip");
        });
        FServer.Server().Get("/pkg.zip.sig", [this](const httplib::Request&, httplib::Response& res) {
            if (FSignature.empty()) {
                res.status = 404;
                return;
            }
            res.set_content(FSignature, "application/octet-stream");
        });
        FServer.Start();
    }
    void TearDown() override { fs::remove_all(FDir); }

    static std::vector<TEntry> GoodEntries() {
        return {{"VERSION", "  1.0.0.1201\r\n"},
                {"Zorb_6x52", "new program", S_IFREG | 0755},
                {"Zorb_6x52_ENG.lng", "new module"},
                {"help/", "", S_IFDIR | 0755},
                {"help/index.htm", "help", S_IFREG | 0640}};
    }
    // The descriptor offering the package; `extra` lines go into the program's section.
    void Publish(const std::string& extra = "", bool sign = true, bool crc = true) {
        FSignature = sign ? FKeys.SignPackage(FPackage) : "";
        const std::string crcText = crc ? Crc32Text(Crc32(FPackage.data(), FPackage.size())) : std::string("00000000");
        std::string lower;
        for (char c : crcText) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        FDescriptor = "[GlobalOptions]\nDeleteAfter=\n[Zorb_6x52]\nVerId=1.0.0.1201\nDescription=Сборка 1201\n"
                      "DownloadUrl=" +
                      FServer.Url("/pkg.zip") + "\nChecksumCRC32=" + lower + "\n" + extra;
    }
    TSelfUpdater Updater() const {
        TSelfUpdateOptions o;
        o.InstallDir = FDir.string();
        o.RunningVersion = "1.0.0.1200";
        o.DescriptorUrl = FServer.Url("/au/Kesto_AU.cfg");
        o.PublicKeyPem = FKeys.PublicPem;
        o.Http.ConnectTimeoutSeconds = 5;
        o.Http.StallSeconds = 5;
        o.ExecTimeoutSeconds = 2;
        o.DataDir = FDataDir.empty() ? FDir.string() : FDataDir;
        return TSelfUpdater(o);
    }
    std::string InstallError() {
        try {
            TSelfUpdater u = Updater();
            u.Install(u.Check());
        } catch (const EZorbError& e) {
            return e.what();
        }
        return "<installed>";
    }

    fs::path FDir;
    TKeyPair FKeys;
    TTestHttpServer FServer;
    std::string FDescriptor, FPackage, FSignature;
    std::string FDataDir; // empty: a portable copy, the data beside the program
    std::atomic<int> FPackageRequests{0};
};

TEST(SelfUpdateBasics, CrcAndBuildNumbers) {
    EXPECT_EQ(Crc32Text(Crc32("abc", 3)), "352441C2");
    EXPECT_EQ(Crc32Text(Crc32("", 0)), "00000000");
    const std::vector<std::pair<std::string, int>> builds = {
        {"1.0.0.1200", 1200}, {"2,0-0_1199", 1199}, {"1.0.0", 0}, {"1.0.0.x", 0}, {"", 0}, {"1.2.3.4.5", 4}};
    for (const auto& [text, build] : builds) EXPECT_EQ(BuildNumber(text), build) << text;
}

TEST_F(SelfUpdateTest, OffersOnlyANewerBuildWithAPackage) {
    struct TCase {
        std::string Section;
        bool Offered;
    };
    const std::vector<TCase> cases = {
        {"[Zorb_6x52]\nVerId=2.0.0.1199\nDownloadUrl=x\n", false},
        {"[Zorb_6x52]\nVerId=1.0.0.1201\n", false},
        {"[Other]\nVerId=1.0.0.1300\nDownloadUrl=x\n", false},
        {"[Zorb_6x52]\nVerId=1.0.0.1201\nDownloadUrl=x\n", true},
    };
    for (const TCase& c : cases) {
        FDescriptor = c.Section;
        const TUpdateOffer offer = Updater().Check();
        EXPECT_EQ(offer.Available, c.Offered) << c.Section;
        if (c.Offered) {
            EXPECT_EQ(offer.Description, "Исправлены ошибки.");
        }
        EXPECT_FALSE(fs::exists(FDir / "SelfUpdates.inf"));
    }
}

TEST_F(SelfUpdateTest, SignedPackageInstallsWithModesAndDeleteAfter) {
    Publish("DeleteAfter=Zorb_6x52_DEU.lng\n");
    const auto before = Snapshot(FDir);
    TSelfUpdater updater = Updater();
    const TUpdateOffer offer = updater.Check();
    ASSERT_TRUE(offer.Available);
    updater.Install(offer);
    std::map<std::string, std::string> want = before;
    want.erase("Zorb_6x52_DEU.lng");
    want["Zorb_6x52"] = "493:new program";
    want["VERSION"] = "420:  1.0.0.1201\r\n";
    want["Zorb_6x52_ENG.lng"] = "420:new module";
    want["help"] = "493:";
    want["help/index.htm"] = "416:help";
    std::map<std::string, std::string> got = Snapshot(FDir);
    for (auto it = got.begin(); it != got.end();)
        it = it->first.rfind("SelfUpdate.old", 0) == 0 ? got.erase(it) : std::next(it);
    EXPECT_EQ(got, want);
    EXPECT_FALSE(fs::exists(FDir / "SelfUpdate"));
    EXPECT_TRUE(fs::exists(FDir / "SelfUpdate.old/Zorb_6x52_DEU.lng"));
    EXPECT_EQ(FPackageRequests, 1);
    // The next check drops what was replaced and keeps the user's "*.~*" files.
    FDescriptor = "[Zorb_6x52]\nVerId=1.0.0.1201\n";
    EXPECT_FALSE(Updater().Check().Available);
    EXPECT_FALSE(fs::exists(FDir / "SelfUpdate.old"));
    EXPECT_TRUE(fs::exists(FDir / "Zorb_6x52.~buff"));
}

TEST_F(SelfUpdateTest, RefusedPackagesChangeNothing) {
    const std::string bad = "Неверная цифровая подпись файла обновления.";
    struct TCase {
        std::string Name;
        std::vector<TEntry> Entries; // empty: the good package
        std::string Extra;
        bool Sign = true, Crc = true;
        std::string Error;
    };
    auto with = [](std::vector<TEntry> extra) {
        std::vector<TEntry> e = GoodEntries();
        e.insert(e.end(), extra.begin(), extra.end());
        return e;
    };
    auto invalid = [](const std::string& n) {
        return "Пакет обновления содержит недопустимое имя файла \"" + n + "\"!";
    };
    const std::vector<TCase> cases = {
        {"wrong CRC", {}, "", true, false, "Неверная контрольная сумма скачанного файла."},
        {"no signature", {}, "", false, true, bad},
        {"stale VERSION", {{"VERSION", "1.0.0.1100"}, {"Zorb_6x52", "x"}}, "", true, true, bad},
        {"no VERSION", {{"Zorb_6x52", "x"}}, "", true, true, bad},
        {"empty", {{"VERSION", "1.0.0.1201"}}, "", true, true, "не найден"},
        {"traversal", with({{"../evil", "x"}}), "", true, true, invalid("../evil")},
        {"inner traversal", with({{"lang/../../evil", "x"}}), "", true, true, invalid("lang/../../evil")},
        {"absolute", with({{"/tmp/evil", "x"}}), "", true, true, invalid("/tmp/evil")},
        {"link", with({{"lnk", "/etc/passwd", S_IFLNK | 0777}}), "", true, true, invalid("lnk")},
        {"data file", with({{"Zorb_6x52.ldr", "x"}}), "", true, true, invalid("Zorb_6x52.ldr")},
        {"prefetch", with({{"Prefetchs/NUMS.dfc", "x"}}), "", true, true, invalid("Prefetchs/NUMS.dfc")},
        // Only program files: every other name of the program directory may be a file of the user's.
        {"ratings sizes", with({{"Zorb_6x52.lrs", "x"}}), "", true, true, invalid("Zorb_6x52.lrs")},
        {"stake log", with({{"Zorb_6x52-3.log", "x"}}), "", true, true, invalid("Zorb_6x52-3.log")},
        {"system file", with({{"Systems/1-06-3_0001.dat", "x"}}), "", true, true, invalid("Systems/1-06-3_0001.dat")},
        {"combinations", with({{"mine.lcv", "x"}}), "", true, true, invalid("mine.lcv")},
        {"scenario", with({{"week.lsc", "x"}}), "", true, true, invalid("week.lsc")},
        {"temporary in help", with({{"help/index.~tmp", "x"}}), "", true, true, invalid("help/index.~tmp")},
        {"damaged copy", with({{"Zorb_6x52.ldr.damaged-1", "x"}}), "", true, true, invalid("Zorb_6x52.ldr.damaged-1")},
        {"other folder", with({{"lang/", "", S_IFDIR | 0755}}), "", true, true, invalid("lang/")},
        {"language module lookalike", with({{"Zorb_6x52_E.N.lng", "x"}}), "", true, true, invalid("Zorb_6x52_E.N.lng")},
        {"file over folder", {{"VERSION", "1.0.0.1201"}, {"help", "x"}}, "", true, true, invalid("help")},
        {"folder over file", with({{"Zorb_6x52_ENG.lng/x", "x"}}), "", true, true, invalid("Zorb_6x52_ENG.lng/x")},
        {"delete outside", {}, "DeleteAfter=../outside\n", true, true, invalid("../outside")},
        {"delete data", {}, "DeleteBefore=Zorb_6x52.lsk\n", true, true, invalid("Zorb_6x52.lsk")},
        {"delete ratings sizes", {}, "DeleteAfter=Zorb_6x52.lrs\n", true, true, invalid("Zorb_6x52.lrs")},
        {"delete system", {}, "DeleteAfter=Systems/1-06-3_0001.dat\n", true, true, invalid("Systems/1-06-3_0001.dat")},
        {"delete combinations", {}, "DeleteBefore=mine.lcv\n", true, true, invalid("mine.lcv")},
        {"exec outside", {}, "ExecBefore=/bin/sh\n", true, true, invalid("/bin/sh")},
        {"version outside", {}, "VerId=1.0.0.1201/../../x\n", true, true, invalid("1.0.0.1201/../../x")},
    };
    const auto before = Snapshot(FDir);
    for (const TCase& c : cases) {
        FPackage = MakePackage(c.Entries.empty() ? GoodEntries() : c.Entries);
        Publish(c.Extra, c.Sign, c.Crc);
        FPackageRequests = 0;
        const std::string error = InstallError();
        EXPECT_NE(error.find(c.Error), std::string::npos) << c.Name << ": " << error;
        EXPECT_EQ(Snapshot(FDir), before) << c.Name;
        // A transfer or a CRC is worth another try; a missing signature is not worth the package.
        if (c.Name == "wrong CRC") {
            EXPECT_EQ(FPackageRequests, 3);
        } else if (c.Name == "no signature") {
            EXPECT_EQ(FPackageRequests, 0);
        }
    }
    // A signature by another key is refused as well, after one download: fetching the same bytes again cannot
    // mend a signature.
    FPackage = MakePackage(GoodEntries());
    Publish();
    FSignature = TKeyPair().SignPackage(FPackage);
    FPackageRequests = 0;
    EXPECT_EQ(InstallError(), bad);
    EXPECT_EQ(Snapshot(FDir), before);
    EXPECT_EQ(FPackageRequests, 1);
    // The signature is of the digest: one made over the whole package does not pass for it.
    FSignature = FKeys.Sign(FPackage);
    EXPECT_EQ(InstallError(), bad);

    // A data directory inside the program directory is out of reach even for program names.
    FDataDir = (FDir / "help").string();
    Publish();
    EXPECT_EQ(InstallError(), invalid("help/"));
    EXPECT_EQ(Snapshot(FDir), before);
}

TEST_F(SelfUpdateTest, FailedOrInterruptedSwapIsUndone) {
    const auto before = Snapshot(FDir);
    // A program run after the swap that overruns its time: every move is undone.
    std::vector<TEntry> entries = GoodEntries();
    entries.push_back({"zorb-server", "#!/bin/sh\nsleep 30\n", S_IFREG | 0755});
    FPackage = MakePackage(entries);
    Publish("ExecAfter=zorb-server\nDeleteBefore=Zorb_6x52_DEU.lng\n");
    EXPECT_NE(InstallError().find("zorb-server"), std::string::npos);
    EXPECT_EQ(Snapshot(FDir), before);

    // A crash in the middle of the swap: the journal has no commit mark, the next start puts everything back.
    FPackage = MakePackage(GoodEntries());
    Publish("DeleteAfter=Zorb_6x52_DEU.lng\n");
    EXPECT_EQ(InstallError(), "<installed>");
    const fs::path journal = FDir / "SelfUpdate.old/journal";
    std::ifstream in(journal);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    ASSERT_NE(text.find("COMMIT\n"), std::string::npos);
    std::ofstream(journal, std::ios::trunc) << text.substr(0, text.find("COMMIT\n"));
    EXPECT_TRUE(TSelfUpdater::RecoverInterrupted(FDir.string()));
    fs::remove_all(FDir / "SelfUpdate.old");
    EXPECT_EQ(Snapshot(FDir), before);
}

TEST_F(SelfUpdateTest, UnwritableInstallDirectoryIsRefusedBeforeTheDownload) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    Publish();
    fs::permissions(FDir, fs::perms(0555));
    const std::string error = InstallError();
    fs::permissions(FDir, fs::perms(0755));
    EXPECT_NE(error.find("Нет прав на запись"), std::string::npos) << error;
    EXPECT_EQ(FPackageRequests, 0);
}

} // namespace
} // namespace zorb::test
