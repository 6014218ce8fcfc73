// Writes the description pages of every registered statistic method: make_help OUTPUT_DIR
#include "stats/MethodHelp.h"
#include "stats/StatList.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_help OUTPUT_DIR\n";
        return 2;
    }
    try {
        zorb::TStatList list;
        list.BuildMethods();
        zorb::WriteHelpPages(list, argv[1]);
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
