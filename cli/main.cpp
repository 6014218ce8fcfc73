#include "cli/CliApp.h"
#include "core/Cancel.h"
#include "core/Format.h"

#include <csignal>
#include <iostream>

namespace {

// Ctrl+C (or a TERM) inside work that polls for it asks that work to stop and clean up (a download deletes its
// partial file, then the command fails); anywhere else, or a second time, the signal ends the process as usual.
extern "C" void OnInterrupt(int sig) {
    if (zorb::InCancellableScope() && !zorb::CancelRequested()) {
        zorb::RequestCancel();
        return;
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

int main(int argc, char** argv) {
    zorb::InitFormatSettingsFromLocale();
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::vector<std::string> args(argv + 1, argv + argc);
    return zorb::RunCli(args, std::cout, std::cerr);
}
