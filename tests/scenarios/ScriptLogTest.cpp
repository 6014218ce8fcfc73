// The run log: stamped CR LF entries in one buffered file, and a failure told once, whether it shows at an entry
// or only when the buffer is flushed.
#include "scenarios/ScriptLog.h"
#include "core/FileUtils.h"

#include "../core/TestFiles.h"

#include <gtest/gtest.h>

namespace zorb::test {
namespace {

TEST(ScriptLog, EntriesAreStampedLines) {
    TTempDir dir;
    TScriptLog log;
    log.Start(dir.File("ScriptLog_x.txt"));
    ASSERT_TRUE(log.Write("один"));
    ASSERT_TRUE(log.Write(""));
    ASSERT_TRUE(log.Forget());
    const std::string text = ReadRaw(dir.File("ScriptLog_x.txt"));
    ASSERT_EQ(text.size(), 23 + 8 + 2 + 23 + 2) << text;
    EXPECT_EQ(text.substr(0, 1), "[");
    EXPECT_EQ(text.substr(20, 3), "]: ");
    EXPECT_EQ(text.substr(23, 10), "один\r\n");
    EXPECT_EQ(text.substr(text.size() - 5), "]: \r\n");
}

TEST(ScriptLog, AFailureIsToldOnceAndEndsTheLog) {
    struct TCase {
        const char* Name;
        size_t EntrySize; // a large entry overflows the buffer at once, a small one fails only at the flush
    };
    for (const TCase& c : {TCase{"entry", 1 << 20}, TCase{"flush", 10}}) {
        TScriptLog log;
        log.Start("/dev/full");
        const bool wrote = log.Write(std::string(c.EntrySize, 'x'));
        const bool closed = log.Close();
        EXPECT_NE(wrote, closed) << c.Name; // exactly one of them reports
        EXPECT_FALSE(log.LastError().empty()) << c.Name;
        EXPECT_FALSE(log.Active()) << c.Name;
        EXPECT_TRUE(log.Write("later")) << c.Name;
        EXPECT_TRUE(log.Close()) << c.Name;
    }
}

} // namespace
} // namespace zorb::test
