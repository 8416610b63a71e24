// Writes the fuzzer's seed corpus into the folder given: every file the
// repair tests try, those it repairs and those it refuses, either way.

#include "tests/support/header_cases.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>

#include <iostream>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_seeds FOLDER\n";
        return 2;
    }
    const fs::path folder(argv[1]);
    fs::create_directories(folder);
    for (const RepairableFile &file : repairableFiles())
        writeBytes(folder / file.name, file.bytes);
    for (const FailingHeader &file : failingHeaders())
        writeBytes(folder / file.name, file.bytes);
    for (const ThoroughCase &file : thoroughCases())
        writeBytes(folder / (std::string("thorough_") + file.name), file.bytes);
    return 0;
}
