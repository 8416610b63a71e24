#include "tests/support/run_program.h"

#include "edf/text/utf8.h"
#include "tests/support/scratch_dir.h"

#include <windows.h>

#include <stdexcept>

namespace {

std::wstring wide(const std::string &utf8)
{
    const std::u16string text = velmorant::decodeUtf8(utf8);
    return std::wstring(text.begin(), text.end());
}

// Quoted as the C runtime's parser of the command line reads it back:
// backslashes double only before a quote.
std::wstring quoted(const std::wstring &argument)
{
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

HANDLE inheritableFile(const std::filesystem::path &path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProgramRun runProgram(const std::string &program, const std::vector<std::string> &arguments,
                      const std::string &outTo, const std::string &errTo, const std::string &inFrom)
{
    ScratchDir capture;
    const std::filesystem::path outPath
        = outTo.empty() ? capture / "out" : std::filesystem::path(wide(outTo));
    const std::filesystem::path errPath
        = errTo.empty() ? capture / "err" : std::filesystem::path(wide(errTo));
    std::wstring commandLine = quoted(wide(program));
    for (const std::string &argument : arguments)
        commandLine += L" " + quoted(wide(argument));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    startup.hStdInput = inFrom.empty()
        ? INVALID_HANDLE_VALUE
        : ::CreateFileW(wide(inFrom).c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    startup.hStdOutput = inheritableFile(outPath);
    startup.hStdError = inheritableFile(errPath);
    PROCESS_INFORMATION process{};
    const bool started = startup.hStdOutput != INVALID_HANDLE_VALUE
        && startup.hStdError != INVALID_HANDLE_VALUE
        && ::CreateProcessW(wide(program).c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                            nullptr, nullptr, &startup, &process);
    ::CloseHandle(startup.hStdOutput);
    ::CloseHandle(startup.hStdError);
    if (startup.hStdInput != INVALID_HANDLE_VALUE)
        ::CloseHandle(startup.hStdInput);
    if (!started)
        throw std::runtime_error("cannot start " + program);
    DWORD exitCode = 0;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ProgramRun run;
    run.exitCode = static_cast<int>(exitCode);
    run.out = outTo.empty() ? readBytes(outPath) : "";
    run.err = errTo.empty() ? readBytes(errPath) : "";
    return run;
}
