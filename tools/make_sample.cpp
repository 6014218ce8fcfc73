// Writes the synthetic sample archive: make_sample OUTPUT.ldr
#include "core/DrawArchive.h"
#include "tools/SampleArchive.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample OUTPUT.ldr\n";
        return 2;
    }
    try {
        zorb::SaveDrawsFile(argv[1], zorb::MakeSampleArchive());
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
