#include "cli/CliApp.h"
#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/Format.h"

#include <iostream>

int main(int argc, char** argv) {
    zorb::InitFormatSettingsFromLocale();
    zorb::InstallInterruptHandler();
    std::vector<std::string> args(argv + 1, argv + argc);
    // Whatever a command leaves uncaught, the user is told why it ended rather than seeing an abort.
    try {
        return zorb::RunCli(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << zorb::ErrorText(e) << std::endl;
    }
    return 1;
}
