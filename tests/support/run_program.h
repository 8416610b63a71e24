#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs a program without a shell, its output captured apart, and waits for it.
ProgramRun runProgram(const std::string &program, const std::vector<std::string> &arguments);
