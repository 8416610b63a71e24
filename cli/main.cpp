#include "cli/commands.h"
#include "cli/options.h"
#include "repair/platform/positioned_io.h"
#include "repair/platform/signal_cleanup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <streambuf>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

using namespace velmorant;

namespace {

constexpr int wrongUsage = 2;
constexpr int outputLost = 3;

// Output through a C stream that keeps why its first write failed: a report
// that did not reach its reader makes the run a failure.
class CheckedOutput : public std::streambuf
{
public:
    explicit CheckedOutput(std::FILE *file) : file(file) { }

    // Flushes and closes the stream; true when every byte was written.
    bool close()
    {
        sync();
        if (std::fclose(file) != 0)
            noteFailure();
        return reason.empty();
    }
    const std::string &failure() const { return reason; }

protected:
    std::streamsize xsputn(const char *text, std::streamsize size) override
    {
        const auto count = static_cast<std::size_t>(size);
        if (std::fwrite(text, 1, count, file) != count)
            noteFailure();
        return size;
    }
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof()) && std::fputc(c, file) == EOF)
            noteFailure();
        return traits_type::not_eof(c);
    }
    int sync() override
    {
        if (std::fflush(file) != 0)
            noteFailure();
        return reason.empty() ? 0 : -1;
    }

private:
    void noteFailure()
    {
        if (reason.empty())
            reason = errno != 0 ? std::strerror(errno) : "the write failed";
    }

    std::FILE *file;
    std::string reason;
};

int run(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err)
{
    ParsedOptions parsed = parseOptions(arguments);
    if (!parsed.error.empty()) {
        err << "velmorant-cli: " << parsed.error << "\n" << usageText() << std::flush;
        return wrongUsage;
    }
    parsed.options.progressOnStderr = stderrIsTerminal();
    return runCommand(parsed.options, out, err);
}

int runMain(const std::vector<std::string> &arguments)
{
    installSignalHandlers();
    CheckedOutput outBuffer(stdout), errBuffer(stderr);
    std::ostream out(&outBuffer), err(&errBuffer);
    const int status = run(arguments, out, err);
    const bool outWritten = outBuffer.close();
    if (!outWritten)
        err << "velmorant-cli: the output could not be written: " << outBuffer.failure()
            << std::endl;
    const bool errWritten = errBuffer.close();
    return outWritten && errWritten ? status : outputLost;
}

} // namespace

#ifdef _WIN32

namespace {

// Unpaired surrogates become U+FFFD, a name no file has, rather than some other file's name.
std::string utf8From(const wchar_t *text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

} // namespace

// The arguments as UTF-16, whatever the ANSI code page; the output as UTF-8
// bytes, lines ending as on every other platform.
int wmain(int argc, wchar_t *argv[])
{
    ::SetConsoleOutputCP(CP_UTF8);
    ::_setmode(::_fileno(stdin), _O_BINARY); // a list of files may end its paths with NUL
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(utf8From(argv[i]));
    return runMain(arguments);
}

#else

int main(int argc, char *argv[])
{
    return runMain(std::vector<std::string>(argv + 1, argv + argc));
}

#endif
