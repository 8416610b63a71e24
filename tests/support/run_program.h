#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs a program without a shell, its output captured apart, and waits for
// it. A stream given a file (such as /dev/full) goes there and is not read.
// Its standard input is the file inFrom, or none.
ProgramRun runProgram(const std::string &program, const std::vector<std::string> &arguments,
                      const std::string &outTo = {}, const std::string &errTo = {},
                      const std::string &inFrom = {});
