#include "commands.h"
#include "file_system.h"
#include "options.h"

#include <iostream>

using namespace velmorant;

int main(int argc, char *argv[])
{
    installSignalHandlers();
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "velmorant-cli: " << parsed.error << "\n" << usageText();
        return 2;
    }
    return runCommand(parsed.options, std::cout, std::cerr);
}
