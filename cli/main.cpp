#include "cli/CliApp.h"
#include "core/Cancel.h"
#include "core/Format.h"

#include <iostream>

int main(int argc, char** argv) {
    zorb::InitFormatSettingsFromLocale();
    zorb::InstallInterruptHandler();
    std::vector<std::string> args(argv + 1, argv + argc);
    return zorb::RunCli(args, std::cout, std::cerr);
}
