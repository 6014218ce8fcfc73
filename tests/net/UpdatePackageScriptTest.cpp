// The packaging script against the program: what it makes installs, and it refuses (before making anything) every
// tree whose package the program would refuse.
#include "../common/UpdateTestUtil.h"
#include "../core/TestFiles.h"
#include "core/FileUtils.h"
#include "net/SelfUpdate.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zorb::test {
namespace {

const std::string Script = std::string(ZORB_TEST_DATA) + "/../../scripts/make-update-package.sh";

std::string Quote(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

bool Have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

class UpdatePackageScriptTest : public testing::Test {
protected:
    TTempDir Dir;
    fs::path Tree, Out, Key;

    void SetUp() override {
        for (const char* tool : {"zip", "openssl", "python3"})
            if (!Have(tool)) GTEST_SKIP() << tool << " is not installed";
        Tree = fs::path(Dir.Path()) / "tree";
        Out = fs::path(Dir.Path()) / "out";
        Key = fs::path(Dir.Path()) / "key.pem";
        ASSERT_EQ(
            std::system(("openssl genpkey -algorithm ed25519 -out " + Quote(Key.string()) + " 2>/dev/null").c_str()),
            0);
        GoodTree();
    }
    void GoodTree() {
        fs::remove_all(Tree);
        Put(Tree / "Zorb_6x52", "new program", fs::perms(0755));
        Put(Tree / "Zorb_6x52_ENG.lng", "new module");
        Put(Tree / "help/index.htm", "new help");
    }
    // Runs the script with the output folder `out` and local paths for the published files.
    int Package(const fs::path& out) const {
        // The system's tools first: a per-user shim in front of python3 can take seconds to start.
        const std::string command = "PATH=/usr/bin:/bin:\"$PATH\" " + Quote(Script) + " " + Quote(Tree.string()) +
                                    " 1.0.0.1201 " + Quote(Key.string()) + " " + Quote(out.string()) + " " +
                                    Quote(out.string()) + " >/dev/null 2>&1";
        return std::system(command.c_str());
    }
    std::string PublicKey() const {
        const fs::path pub = fs::path(Dir.Path()) / "pub.pem";
        std::system(("openssl pkey -in " + Quote(Key.string()) + " -pubout -out " + Quote(pub.string())).c_str());
        return ReadRaw(pub.string());
    }
};

TEST_F(UpdatePackageScriptTest, WhatItMakesInstalls) {
    ASSERT_EQ(Package(Out), 0);
    const fs::path program = fs::path(Dir.Path()) / "program";
    Put(program / "Zorb_6x52", "old program", fs::perms(0755));
    Put(program / "Zorb_6x52.lsk", "the user's stakes");
    TSelfUpdateOptions o;
    o.InstallDir = program.string();
    o.DataDir = program.string();
    o.RunningVersion = "1.0.0.1200";
    o.DescriptorUrl = (Out / "descriptor-section.cfg").string();
    o.PublicKeyPem = PublicKey();
    TSelfUpdater updater(o);
    const TUpdateOffer offer = updater.Check();
    ASSERT_TRUE(offer.Available);
    updater.Install(offer);
    EXPECT_EQ(ReadRaw((program / "Zorb_6x52").string()), "new program");
    EXPECT_EQ(ReadRaw((program / "help/index.htm").string()), "new help");
    EXPECT_EQ(ReadRaw((program / "VERSION").string()), "1.0.0.1201\n");
    EXPECT_EQ(ReadRaw((program / "Zorb_6x52.lsk").string()), "the user's stakes");
}

TEST_F(UpdatePackageScriptTest, RefusesWhatTheProgramWouldRefuse) {
    const struct {
        const char* Name;
        std::function<void(const fs::path&)> Spoil; // given the tree
        bool OutInside = false;
    } cases[] = {
        {"control character", [](const fs::path& t) { Put(t / "help/a\x01.htm", "x"); }},
        {"not UTF-8", [](const fs::path& t) { Put(t / "help/\xFF\xFE.htm", "x"); }},
        {"temporary file", [](const fs::path& t) { Put(t / "Zorb_6x52.~tmp", "x"); }},
        {"temporary file in help", [](const fs::path& t) { Put(t / "help/index.~tmp", "x"); }},
        {"moved-aside program", [](const fs::path& t) { Put(t / "zorb-cli.~1", "x"); }},
        {"stakes of a user", [](const fs::path& t) { Put(t / "Zorb_6x52.lsk", "x"); }},
        {"ratings sizes", [](const fs::path& t) { Put(t / "Zorb_6x52.lrs", "x"); }},
        {"system file", [](const fs::path& t) { Put(t / "Systems/1-06-3_0001.dat", "x"); }},
        {"combinations", [](const fs::path& t) { Put(t / "mine.lcv", "x"); }},
        {"link", [](const fs::path& t) { fs::create_symlink("/etc/passwd", t / "help/passwd"); }},
        {"empty tree",
         [](const fs::path& t) {
             fs::remove_all(t);
             fs::create_directories(t / "help");
         }},
        {"output folder inside the tree", [](const fs::path&) {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        GoodTree();
        c.Spoil(Tree);
        const fs::path out = c.OutInside ? Tree / "help/out" : Out;
        fs::remove_all(Out);
        EXPECT_NE(Package(out), 0);
        EXPECT_FALSE(fs::exists(out / "Zorb_6x52_1.0.0.1201.zip")) << "nothing is made";
    }
    GoodTree();
    EXPECT_EQ(Package(Out), 0) << "the good tree still packages";
}

} // namespace
} // namespace zorb::test
