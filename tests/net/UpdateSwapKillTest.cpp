// An update swap killed at every step: a child process installs the package and ends abruptly (as a SIGKILL would:
// no unwinding, no undo) after the n-th durable change; the recovery the programs run at start must leave the
// program directory all old or all new, with the stage removed. Everything is published as local files.
#include "../common/UpdateTestUtil.h"
#include "../core/TestFiles.h"
#include "net/SelfUpdate.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace zorb::test {
namespace {

bool JournalCommitted(const std::string& journal) {
    return journal.find("COMMIT\n") != std::string::npos;
}

class UpdateSwapKillTest : public testing::Test {
protected:
    fs::path Root, Dir, Pub;
    TKeyPair Keys;

    void SetUp() override {
        Root = fs::temp_directory_path() / ("zorb-swapkill-" + std::to_string(::getpid()));
        fs::remove_all(Root);
        Dir = Root / "program";
        Pub = Root / "pub";
        fs::create_directories(Pub);
        const std::string package = MakePackage({{"VERSION", "1.0.0.1201"},
                                                 {"Zorb_6x52", "new program", S_IFREG | 0755},
                                                 {"zorb-cli", "new command line", S_IFREG | 0755},
                                                 {"Zorb_6x52_ENG.lng", "new module"},
                                                 {"help/", "", S_IFDIR | 0755},
                                                 {"help/index.htm", "new help"},
                                                 {"help/deep/", "", S_IFDIR | 0755},
                                                 {"help/deep/page.htm", "new page"}});
        Put(Pub / "pkg.zip", package);
        Put(Pub / "pkg.zip.sig", Keys.SignPackage(package));
        Put(Pub / "Kesto_AU.cfg", "[Zorb_6x52]\nVerId=1.0.0.1201\nDownloadUrl=" + (Pub / "pkg.zip").string() +
                                      "\nDeleteBefore=Zorb_6x52_DEU.lng\nDeleteAfter=Kessto_RUS.chm\n");
    }
    void TearDown() override { fs::remove_all(Root); }

    static void OldTree(const fs::path& dir) {
        fs::remove_all(dir);
        Put(dir / "Zorb_6x52", "old program", fs::perms(0755));
        Put(dir / "zorb-cli", "old command line", fs::perms(0755));
        Put(dir / "Zorb_6x52_ENG.lng", "old module");
        Put(dir / "Zorb_6x52_DEU.lng", "obsolete module");
        Put(dir / "Kessto_RUS.chm", "obsolete help");
        Put(dir / "Zorb_6x52.ldr", "the user's draws");
    }
    TSelfUpdateOptions Options(const fs::path& dir) const {
        TSelfUpdateOptions o;
        o.InstallDir = dir.string();
        o.DataDir = dir.string();
        o.RunningVersion = "1.0.0.1200";
        o.DescriptorUrl = (Pub / "Kesto_AU.cfg").string();
        o.PublicKeyPem = Keys.PublicPem;
        return o;
    }
    // The program directory as the user sees it: the moved-aside files wait for the next check.
    static std::map<std::string, std::string> Tree(const fs::path& dir) {
        auto t = Snapshot(dir);
        for (auto it = t.begin(); it != t.end();)
            it = it->first.rfind("SelfUpdate.old", 0) == 0 ? t.erase(it) : std::next(it);
        return t;
    }
    // Installs in a child that ends after `steps` durable changes of the swap.
    pid_t InstallKilledAfter(const fs::path& dir, int steps) const {
        const pid_t pid = ::fork();
        if (pid == 0) {
            TSelfUpdateOptions o = Options(dir);
            int n = 0;
            o.OnSwapStep = [&] {
                if (++n == steps) ::_exit(0);
            };
            try {
                TSelfUpdater u(o);
                u.Install(u.Check());
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(1);
        }
        return pid;
    }
};

TEST_F(UpdateSwapKillTest, EveryKillPointEndsAllOldOrAllNew) {
    OldTree(Dir);
    const auto before = Tree(Dir);
    int steps = 0;
    {
        TSelfUpdateOptions o = Options(Dir);
        o.OnSwapStep = [&] { ++steps; };
        TSelfUpdater u(o);
        u.Install(u.Check());
    }
    const auto after = Tree(Dir);
    ASSERT_NE(after, before);
    ASSERT_GT(steps, 10);

    // The kills run side by side, a few at a time: each waits mostly on the disk.
    constexpr int Batch = 8;
    for (int first = 1; first <= steps; first += Batch) {
        std::vector<std::pair<int, pid_t>> children;
        for (int k = first; k < first + Batch && k <= steps; ++k) {
            const fs::path dir = Root / ("killed-" + std::to_string(k));
            OldTree(dir);
            children.push_back({k, InstallKilledAfter(dir, k)});
        }
        for (const auto& [k, pid] : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "kill point " << k << " never came";
        }
    }
    for (int k = 1; k <= steps; ++k) {
        const fs::path dir = Root / ("killed-" + std::to_string(k));
        // The same kill once more with the journal's next line cut off half way, naming a file that exists.
        const fs::path cut = Root / ("cut-" + std::to_string(k));
        fs::copy(dir, cut, fs::copy_options::recursive);
        std::ofstream(cut / "SelfUpdate.old/journal", std::ios::app) << "P\tZorb_6x52";
        // A recovery killed after its moves but before it removed the journal: the next start runs it again.
        const fs::path again = Root / ("again-" + std::to_string(k));
        fs::copy(dir, again, fs::copy_options::recursive);
        const std::string journal = ReadRaw((again / "SelfUpdate.old/journal").string());
        TSelfUpdater::RecoverInterrupted(again.string());
        if (!JournalCommitted(journal)) Put(again / "SelfUpdate.old/journal", journal);
        for (const fs::path& d : {dir, cut, again}) {
            SCOPED_TRACE(d.filename().string());
            const bool undone = TSelfUpdater::RecoverInterrupted(d.string());
            const auto now = Tree(d);
            EXPECT_TRUE(now == before || now == after);
            if (d != again) {
                EXPECT_EQ(undone, now == before) << "an undo reports itself";
            }
            EXPECT_FALSE(fs::exists(d / "SelfUpdate")) << "the stage is removed";
            if (now == before) {
                EXPECT_FALSE(fs::exists(d / "SelfUpdate.old")) << "nothing left aside";
            }
        }
    }
}

} // namespace
} // namespace zorb::test
