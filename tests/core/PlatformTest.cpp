#include "core/Platform.h"
#include "core/FileUtils.h"
#include "tests/core/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace zorb {
namespace {

// Sets or clears an environment variable for one scope and puts the old value back.
class TEnvScope {
public:
    TEnvScope(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name)) FOld = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~TEnvScope() {
        if (FOld)
            ::setenv(FName, FOld->c_str(), 1);
        else
            ::unsetenv(FName);
    }
    TEnvScope(const TEnvScope&) = delete;
    TEnvScope& operator=(const TEnvScope&) = delete;

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(Platform, UserDataDirFollowsXdgDataHomeThenHome) {
    struct TCase {
        const char* Xdg;
        const char* Home;
        const char* Expected;
    } cases[] = {
        {"/x/data", "/home/u", "/x/data/zorb-6x52"},
        {nullptr, "/home/u", "/home/u/.local/share/zorb-6x52"},
        {"", "/home/u", "/home/u/.local/share/zorb-6x52"},
        {"relative/data", "/home/u", "/home/u/.local/share/zorb-6x52"}, // not absolute: ignored
    };
    for (const auto& c : cases) {
        TEnvScope xdg("XDG_DATA_HOME", c.Xdg);
        TEnvScope home("HOME", c.Home);
        EXPECT_EQ(UserDataDir(), c.Expected) << (c.Xdg ? c.Xdg : "(unset)");
    }
}

TEST(Platform, DefaultDataDirIsTheExecutablesDirOnlyForAWritableUninstalledCopy) {
    test::TTempDir tmp;
    TEnvScope xdg("XDG_DATA_HOME", "/per/user");
    const std::string userDir = "/per/user/zorb-6x52";
    const std::string portable = tmp.File("portable");
    const std::string installedBin = JoinPath(tmp.File("usr"), "bin");
    ForceDirectories(portable);
    ForceDirectories(installedBin);
    ForceDirectories(JoinPath(JoinPath(tmp.File("usr"), "share"), "zorb-6x52"));
    EXPECT_EQ(ShareDir(installedBin), JoinPath(JoinPath(tmp.File("usr"), "share"), "zorb-6x52"));

    const auto yes = [](const std::string&) { return true; };
    const auto no = [](const std::string&) { return false; };
    EXPECT_EQ(DefaultDataDir(portable, yes), portable);
    EXPECT_EQ(DefaultDataDir(portable, no), userDir);
    EXPECT_EQ(DefaultDataDir(installedBin, yes), userDir); // root may write /usr/bin, but the data goes elsewhere
    EXPECT_EQ(DefaultDataDir(installedBin, no), userDir);
    EXPECT_EQ(DefaultDataDir("", yes), userDir); // the executable's location is unknown
}

TEST(Platform, DirectoryWritable) {
    test::TTempDir tmp;
    EXPECT_TRUE(DirectoryWritable(tmp.Path()));
    EXPECT_FALSE(DirectoryWritable(tmp.File("missing")));
    EXPECT_FALSE(DirectoryWritable(""));
    test::WriteRaw(tmp.File("file"), "x");
    EXPECT_FALSE(DirectoryWritable(tmp.File("file")));

    const std::string locked = tmp.File("locked");
    ForceDirectories(locked);
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    // Root passes every permission check, so only an ordinary user sees the directory as read-only.
    if (::geteuid() != 0) {
        EXPECT_FALSE(DirectoryWritable(locked));
    }
    EXPECT_EQ(DefaultDataDir(locked), ::geteuid() == 0 ? locked : UserDataDir());
    ::chmod(locked.c_str(), 0755);
}

} // namespace
} // namespace zorb
