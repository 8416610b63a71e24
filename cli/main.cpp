#include "commands.h"
#include "file_system.h"
#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <streambuf>
#include <string>

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

} // namespace

int main(int argc, char *argv[])
{
    installSignalHandlers();
    CheckedOutput outBuffer(stdout), errBuffer(stderr);
    std::ostream out(&outBuffer), err(&errBuffer);
    const int status = run(std::vector<std::string>(argv + 1, argv + argc), out, err);
    const bool outWritten = outBuffer.close();
    if (!outWritten)
        err << "velmorant-cli: the output could not be written: " << outBuffer.failure()
            << std::endl;
    const bool errWritten = errBuffer.close();
    return outWritten && errWritten ? status : outputLost;
}
