// Runs the command line in-process on a fresh data directory.
#pragma once

#include "../core/TestFiles.h"
#include "cli/CliApp.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zorb::test {

struct TRun {
    int Code;
    std::string Out, Err;
};

class CliTest : public testing::Test {
protected:
    TTempDir Dir;

    std::string Archive() const { return Dir.File("Zorb_6x52.ldr"); }
    TRun Run(std::vector<std::string> args) {
        std::vector<std::string> full = {"--dir", Dir.Path()};
        full.insert(full.end(), args.begin(), args.end());
        return RunIn(full);
    }
    static TRun RunIn(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        int code = RunCli(args, out, err);
        return {code, out.str(), err.str()};
    }
    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> r;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) r.push_back(line);
        return r;
    }
};

} // namespace zorb::test
