// The self-update against a real HTTP server in the test process: descriptor, description, package and signature
// are served from memory; the signing key pair is made by the test, so no private key lives in the sources.
#include "net/SelfUpdate.h"
#include "../common/TestHttpServer.h"
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

namespace fs = std::filesystem;

struct TKeyPair {
    std::string PublicPem;
    EVP_PKEY* Key = nullptr;
    TKeyPair() {
        Key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
        BIO* bio = BIO_new(BIO_s_mem());
        PEM_write_bio_PUBKEY(bio, Key);
        char* p = nullptr;
        const long n = BIO_get_mem_data(bio, &p);
        PublicPem.assign(p, static_cast<size_t>(n));
        BIO_free(bio);
    }
    ~TKeyPair() { EVP_PKEY_free(Key); }
    std::string Sign(const std::string& data) const {
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, Key);
        size_t len = 64;
        std::string sig(64, '\0');
        EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(sig.data()), &len,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size());
        EVP_MD_CTX_free(ctx);
        return sig;
    }
};

struct TEntry {
    std::string Name, Data;
    uint32_t Mode = S_IFREG | 0644; // Unix type and permission bits
};

// A ZIP with Unix modes, as the packaging script makes it.
std::string MakePackage(const std::vector<TEntry>& entries) {
    const std::string path = (fs::temp_directory_path() / ("zorb-pkg-" + std::to_string(::getpid()) + ".zip")).string();
    fs::remove(path);
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const TEntry& e : entries) {
        zip_int64_t i;
        if (!e.Name.empty() && e.Name.back() == '/') {
            i = zip_dir_add(z, e.Name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* src = zip_source_buffer(z, e.Data.data(), e.Data.size(), 0);
            i = zip_file_add(z, e.Name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        }
        zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX, e.Mode << 16);
    }
    zip_close(z);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(path);
    return bytes;
}

// Every file of a directory with its contents and permission bits.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string rel = fs::relative(e.path(), dir).string();
        struct stat st;
        ::lstat(e.path().c_str(), &st);
        std::string what = std::to_string(st.st_mode & 07777) + ":";
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            what += std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }
        r[rel] = what;
    }
    return r;
}

void Put(const fs::path& path, const std::string& data, fs::perms perms = fs::perms(0644)) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
    fs::permissions(path, perms);
}

class SelfUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("zorb-update-" + std::to_string(::getpid()));
        fs::remove_all(FDir);
        Put(FDir / "Zorb_6x52", "old program", fs::perms(0755));
        Put(FDir / "lang/Zorb_6x52_ENG.lng", "old module");
        Put(FDir / "obsolete.txt", "old");
        Put(FDir / "Zorb_6x52.ldr", "draws");
        Put(FDir / "Zorb_6x52.~buff", "buffer");
        Put(FDir / "Zorb_6x52.~tmp", "temp");
        Put(FDir / "Prefetchs/NUMS.dfc", "prefetch");
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
                {"lang/", "", S_IFDIR | 0755},
                {"lang/Zorb_6x52_ENG.lng", "new module"},
                {"share/help/index.html", "help", S_IFREG | 0640}};
    }
    // The descriptor offering the package; `extra` lines go into the program's section.
    void Publish(const std::string& extra = "", bool sign = true, bool crc = true) {
        FSignature = sign ? FKeys.Sign(FPackage) : "";
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
    Publish("DeleteAfter=obsolete.txt\n");
    TSelfUpdater updater = Updater();
    const TUpdateOffer offer = updater.Check();
    ASSERT_TRUE(offer.Available);
    updater.Install(offer);
    std::map<std::string, std::string> want = {
        {"Zorb_6x52", "493:new program"},
        {"VERSION", "420:  1.0.0.1201\r\n"},
        {"lang", "493:"},
        {"lang/Zorb_6x52_ENG.lng", "420:new module"},
        {"share", "493:"},
        {"share/help", "493:"},
        {"share/help/index.html", "416:help"},
        {"Zorb_6x52.ldr", "420:draws"},
        {"Zorb_6x52.~buff", "420:buffer"},
        {"Zorb_6x52.~tmp", "420:temp"},
        {"Prefetchs", "493:"},
        {"Prefetchs/NUMS.dfc", "420:prefetch"},
    };
    std::map<std::string, std::string> got = Snapshot(FDir);
    for (auto it = got.begin(); it != got.end();)
        it = it->first.rfind("SelfUpdate.old", 0) == 0 ? got.erase(it) : std::next(it);
    EXPECT_EQ(got, want);
    EXPECT_FALSE(fs::exists(FDir / "SelfUpdate"));
    EXPECT_TRUE(fs::exists(FDir / "SelfUpdate.old/obsolete.txt"));
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
        {"file over folder", {{"VERSION", "1.0.0.1201"}, {"lang", "x"}}, "", true, true, invalid("lang")},
        {"folder over file", with({{"obsolete.txt/x", "x"}}), "", true, true, invalid("obsolete.txt")},
        {"delete outside", {}, "DeleteAfter=../outside\n", true, true, invalid("../outside")},
        {"delete data", {}, "DeleteBefore=Zorb_6x52.lsk\n", true, true, invalid("Zorb_6x52.lsk")},
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
        if (c.Name == "wrong CRC") {
            EXPECT_EQ(FPackageRequests, 3);
        }
    }
    // A signature by another key is refused as well.
    FPackage = MakePackage(GoodEntries());
    Publish();
    FSignature = TKeyPair().Sign(FPackage);
    EXPECT_EQ(InstallError(), bad);
    EXPECT_EQ(Snapshot(FDir), before);
}

TEST_F(SelfUpdateTest, FailedOrInterruptedSwapIsUndone) {
    const auto before = Snapshot(FDir);
    // A program run after the swap that overruns its time: every move is undone.
    std::vector<TEntry> entries = GoodEntries();
    entries.push_back({"slow.sh", "#!/bin/sh\nsleep 30\n", S_IFREG | 0755});
    FPackage = MakePackage(entries);
    Publish("ExecAfter=slow.sh\nDeleteBefore=obsolete.txt\n");
    EXPECT_NE(InstallError().find("slow.sh"), std::string::npos);
    EXPECT_EQ(Snapshot(FDir), before);

    // A crash in the middle of the swap: the journal has no commit mark, the next start puts everything back.
    FPackage = MakePackage(GoodEntries());
    Publish("DeleteAfter=obsolete.txt\n");
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
