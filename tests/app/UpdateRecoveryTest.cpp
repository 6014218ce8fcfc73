// Start-up after an update swap was killed: the program directory ends all old (swap cut short) or all new (swap
// committed), the stage is removed, and a running copy's swap is left alone.
#include "../common/UpdateTestUtil.h"
#include "AppFixture.h"
#include "net/SelfUpdate.h"
#include "stakes/StakesFile.h"

#include <sys/wait.h>

namespace zorb::test {
namespace {

class UpdateRecoveryTest : public AppTest {
protected:
    TTempDir Pub;
    TKeyPair Keys;
    std::map<std::string, std::string> Before, After;
    int Steps = 0;

    void SetUp() override {
        const std::string package = MakePackage({{"VERSION", "1.0.0.1201"},
                                                 {"Zorb_6x52", "new program", S_IFREG | 0755},
                                                 {"Zorb_6x52_ENG.lng", "new module"},
                                                 {"help/", "", S_IFDIR | 0755},
                                                 {"help/index.htm", "new help"}});
        WriteRaw(Pub.File("pkg.zip"), package);
        WriteRaw(Pub.File("pkg.zip.sig"), Keys.SignPackage(package));
        WriteRaw(Pub.File("Kesto_AU.cfg"), "[Zorb_6x52]\nVerId=1.0.0.1201\nDownloadUrl=" + Pub.File("pkg.zip") +
                                               "\nDeleteAfter=Zorb_6x52_DEU.lng\n");
        OldTree();
        Before = Snapshot(Exe.Path());
        TSelfUpdateOptions o = Options();
        o.OnSwapStep = [this] { ++Steps; };
        TSelfUpdater u(o);
        u.Install(u.Check());
        After = Tree();
        OldTree();
    }
    void OldTree() {
        fs::remove_all(fs::path(Exe.Path()) / "SelfUpdate.old");
        fs::remove_all(fs::path(Exe.Path()) / "help");
        Put(fs::path(Exe.Path()) / "Zorb_6x52", "old program", fs::perms(0755));
        Put(fs::path(Exe.Path()) / "Zorb_6x52_ENG.lng", "old module");
        Put(fs::path(Exe.Path()) / "Zorb_6x52_DEU.lng", "obsolete module");
        fs::remove(fs::path(Exe.Path()) / "VERSION");
    }
    TSelfUpdateOptions Options() const {
        TSelfUpdateOptions o;
        o.InstallDir = Exe.Path();
        o.DataDir = Data.Path();
        o.RunningVersion = "1.0.0.1200";
        o.DescriptorUrl = Pub.File("Kesto_AU.cfg");
        o.PublicKeyPem = Keys.PublicPem;
        return o;
    }
    std::map<std::string, std::string> Tree() const {
        auto t = Snapshot(Exe.Path());
        for (auto it = t.begin(); it != t.end();)
            it = it->first.rfind("SelfUpdate.old", 0) == 0 ? t.erase(it) : std::next(it);
        return t;
    }
    // A child installs and ends abruptly after `steps` durable changes of the swap.
    void KillAfter(int steps) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            TSelfUpdateOptions o = Options();
            int n = 0;
            o.OnSwapStep = [&] {
                if (++n == steps) ::_exit(0);
            };
            try {
                TSelfUpdater u(o);
                u.Install(u.Check());
            } catch (...) {}
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_TRUE(fs::exists(fs::path(Exe.Path()) / "SelfUpdate"));
    }
    bool RecoveryWarned() const {
        return std::any_of(Ui.Messages.begin(), Ui.Messages.end(), [](const TShownMessage& m) {
            return m.Text == "Установка обновления была прервана: восстановлена прежняя версия программы.";
        });
    }
};

TEST_F(UpdateRecoveryTest, StartUndoesASwapCutShortAndFinishesACommittedOne) {
    ASSERT_GT(Steps, 6);
    const struct {
        const char* Name;
        int Steps;
        bool New;
    } cases[] = {{"half way", Steps / 2, false}, {"one step short", Steps - 1, false}, {"committed", Steps, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        OldTree();
        KillAfter(c.Steps);
        Ui.Messages.clear();
        Ui.InitTimerStarts = 0;
        Start();
        EXPECT_TRUE(Tree() == (c.New ? After : Before));
        EXPECT_FALSE(fs::exists(fs::path(Exe.Path()) / "SelfUpdate")) << "the stage is removed";
        EXPECT_EQ(RecoveryWarned(), !c.New);
        App.reset();
    }
}

TEST_F(UpdateRecoveryTest, RunningCopysSwapIsLeftAlone) {
    KillAfter(Steps / 2);
    const auto killed = Snapshot(Exe.Path());
    TInstanceLock running;
    ASSERT_TRUE(running.Acquire(Data.Path()));
    Construct();
    App->Create();
    EXPECT_TRUE(Snapshot(Exe.Path()) == killed);
    EXPECT_FALSE(RecoveryWarned());
}

} // namespace
} // namespace zorb::test
