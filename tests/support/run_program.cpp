#include "tests/support/run_program.h"

#include "tests/support/edf_test_files.h"
#include "tests/support/scratch_dir.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

ProgramRun runProgram(const std::string &program, const std::vector<std::string> &arguments,
                      const std::string &outTo, const std::string &errTo, const std::string &inFrom)
{
    ScratchDir capture;
    const std::string outPath = outTo.empty() ? (capture / "out").string() : outTo;
    const std::string errPath = errTo.empty() ? (capture / "err").string() : errTo;
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open(inFrom.empty() ? "/dev/null" : inFrom.c_str(), O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || dup2(in, 0) < 0)
            _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        throw std::runtime_error("waitpid failed");
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = outTo.empty() ? readBytes(outPath) : "";
    run.err = errTo.empty() ? readBytes(errPath) : "";
    return run;
}
