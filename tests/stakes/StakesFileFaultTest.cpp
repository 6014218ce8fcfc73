// The stakes file when writing fails: an append cut short by a full disk or a file size limit, a torn tail left
// by an earlier failure, and appends refused while the disk is nearly full.
#include "StakesTestUtil.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "stakes/Stakes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zorb::test {
namespace {

TStakeRecord Stake(int draw) {
    TStakeRecord r;
    r.Kind = skManual;
    r.DrawNumber = draw;
    r.Numbers = Set({1, 2, 3, 4, 5, 6});
    r.Comment = "c";
    return r;
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EZorbError& e) {
        return e.what();
    }
    return "<no error>";
}

struct TWriteFault {
    explicit TWriteFault(int64_t after) { InjectWriteFault(after); }
    ~TWriteFault() { InjectWriteFault(-1); }
};

class StakesFaultTest : public testing::Test {
protected:
    TTempDir Dir;
    TStakesFile File;
    std::string Path() const { return Dir.File("Zorb_6x52.lsk"); }
    std::string ThreeStakes() const {
        return RawOpenStake(1, {1, 2, 3, 4, 5, 6}) + RawOpenStake(2, {1, 2, 3, 4, 5, 6}) +
               RawOpenStake(3, {1, 2, 3, 4, 5, 6});
    }
};

// However far a record got before the disk filled, the file goes back to its whole records and the next append
// lands on the record grid again.
TEST_F(StakesFaultTest, AppendCutShortLeavesThePreviousLength) {
    for (int64_t after : {0, 1, 100, 319}) {
        SCOPED_TRACE(after);
        WriteRaw(Path(), ThreeStakes());
        File.Open(Path());
        {
            TWriteFault fault(after);
            EXPECT_NE(ErrorOf([&] { AppendStakes(File, Stake(4), 1); }), "<no error>");
        }
        EXPECT_EQ(FileSize(Path()), int64_t(3 * RawStakeSize));
        EXPECT_EQ(File.Count(), 3);
        AppendStakes(File, Stake(5), 1);
        EXPECT_EQ(RawDrawColumn(ReadRaw(Path())), (std::vector<int>{1, 2, 3, 5}));
        File.Close();
    }
    // A series that fails half way keeps the whole copies written before the failure, and nothing of the next.
    WriteRaw(Path(), "");
    File.Open(Path());
    {
        TWriteFault fault(3 * RawStakeSize + 50);
        EXPECT_NE(ErrorOf([&] { AppendStakes(File, Stake(10), 4); }), "<no error>");
    }
    EXPECT_EQ(RawDrawColumn(ReadRaw(Path())), (std::vector<int>{10, -1, 11}));
    EXPECT_EQ(File.TornBytes(), 0);
}

// The same with a real failing write: a child process whose file size limit ends the file mid-record.
TEST_F(StakesFaultTest, FileSizeLimitInAChildLeavesOnlyWholeRecords) {
    for (const int64_t limit : {int64_t(RawStakeSize) * 5 + 100, int64_t(RawStakeSize) * 2 + 319}) {
        SCOPED_TRACE(limit);
        WriteRaw(Path(), "");
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of ending the process
            const rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
            if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) ::_exit(100);
            TStakesFile file;
            file.Open(Path());
            int appended = 0;
            try {
                for (; appended < 50; ++appended) AppendStakes(file, Stake(appended + 1), 1);
            } catch (const EZorbError&) {}
            ::_exit(appended);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        const int whole = static_cast<int>(limit / int64_t(RawStakeSize));
        EXPECT_EQ(WEXITSTATUS(status), whole);
        EXPECT_EQ(FileSize(Path()), int64_t(whole) * int64_t(RawStakeSize));
        std::vector<int> draws;
        for (int d = 1; d <= whole; ++d) draws.push_back(d);
        EXPECT_EQ(RawDrawColumn(ReadRaw(Path())), draws);
    }
}

TEST_F(StakesFaultTest, TornTailIsCutAfterACopyOfTheFileAsFound) {
    const std::string found = ThreeStakes() + RawOpenStake(4, {1, 2, 3, 4, 5, 6}).substr(0, 100);
    WriteRaw(Path(), found);
    File.Open(Path());
    EXPECT_FALSE(File.Outdated());
    ASSERT_EQ(File.TornBytes(), 100);
    EXPECT_EQ(File.Count(), 3);
    const std::string copy = File.KeepDamagedCopy();
    EXPECT_EQ(copy.rfind(Path() + ".damaged-", 0), 0u) << copy;
    File.CutTornTail();
    EXPECT_EQ(ReadRaw(copy), found);
    EXPECT_EQ(ReadRaw(Path()), ThreeStakes());
    EXPECT_EQ(File.TornBytes(), 0);
    AppendStakes(File, Stake(9), 1);
    EXPECT_EQ(RawDrawColumn(ReadRaw(Path())), (std::vector<int>{1, 2, 3, 9}));
    // A second copy in the same second gets a name of its own.
    EXPECT_NE(File.KeepDamagedCopy(), copy);
}

// Appends stop with a message while the disk has less room than they need plus the margin; nothing is written.
TEST_F(StakesFaultTest, NearlyFullDiskRefusesAppendsBeforeWriting) {
    const int64_t margin = TStakesFile::FreeSpaceMargin;
    int64_t avail = margin + 3 * int64_t(RawStakeSize) + 10;
    File.Open(Path());
    File.SetFreeSpaceProbe([&](int) { return avail; });
    const struct {
        int DrawCount;
        bool Fits;
    } series[] = {{5, false}, {2, false}, {1, true}};
    for (const auto& s : series) {
        SCOPED_TRACE(s.DrawCount);
        const int64_t before = FileSize(Path());
        const std::string error = ErrorOf([&] { AppendStakes(File, Stake(20), s.DrawCount); });
        if (s.Fits) {
            EXPECT_EQ(error, "<no error>");
        } else {
            EXPECT_EQ(error.rfind("Недостаточно места на диске для записи ставок!", 0), 0u) << error;
            EXPECT_EQ(FileSize(Path()), before);
        }
    }
    // The disk fills from elsewhere while stakes stream in: the appends stop within the recheck distance.
    avail = int64_t(1) << 40;
    File.SetFreeSpaceProbe([&](int) { return avail; });
    AppendStakes(File, Stake(30), 1);
    avail = margin;
    int appended = 0;
    while (ErrorOf([&] { AppendStakes(File, Stake(31), 1); }) == "<no error>" && appended < 1000000) ++appended;
    EXPECT_LE(appended, TStakesFile::RoomRecheckBytes / int64_t(RawStakeSize));
    EXPECT_EQ(File.TornBytes(), 0);
}

} // namespace
} // namespace zorb::test
