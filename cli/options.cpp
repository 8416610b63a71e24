#include "cli/options.h"

#include "edf/wording/finding_text.h"
#include "velmorant_version.h"

namespace velmorant {

namespace {

bool isOption(const std::string &argument)
{
    return argument.size() > 1 && argument[0] == '-';
}

// The number of paths each command takes.
std::string checkPathCount(const Options &o)
{
    const std::size_t n = o.paths.size();
    switch (o.command) {
    case Command::repairFile:
        return n == 1 || n == 2 ? "" : "give a SOURCE file and at most one DESTINATION";
    case Command::repairFolder:
        return n == 2 ? "" : "--folder takes a SOURCE_DIR and a DESTINATION_DIR";
    case Command::check:
        return n >= 1 ? "" : "--check needs at least one PATH";
    case Command::help:
    case Command::version:
        break;
    }
    return "";
}

} // namespace

ParsedOptions parseOptions(const std::vector<std::string> &arguments)
{
    ParsedOptions parsed;
    Options &o = parsed.options;
    bool folder = false, check = false, onlyPaths = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (onlyPaths || !isOption(argument)) {
            o.paths.push_back(argument);
        } else if (argument == "--") {
            onlyPaths = true;
        } else if (argument == "--help" || argument == "-h") {
            o.command = Command::help;
            return parsed;
        } else if (argument == "--version") {
            o.command = Command::version;
            return parsed;
        } else if (argument == "--folder") {
            folder = true;
        } else if (argument == "--check") {
            check = true;
        } else if (argument == "--json") {
            o.json = true;
        } else if (argument == "--thorough") {
            o.thorough = true;
        } else if (argument == "--recursive") {
            o.recursive = true;
        } else if (argument == "--deidentify") {
            o.deidentify = true;
        } else if (argument == "--keep-dates") {
            o.keepDates = true;
        } else if (argument == "--redact" || argument == "--key") {
            if (i + 1 == arguments.size()) {
                parsed.error = argument + " needs a FILE";
                return parsed;
            }
            (argument == "--key" ? o.keyFile : o.redactFile) = arguments[++i];
        } else {
            parsed.error = "unknown option " + shownName(argument);
            return parsed;
        }
    }
    if (folder && check)
        parsed.error = "--folder and --check cannot be combined; --check takes folders as they are";
    else if (o.recursive && !folder && !check)
        parsed.error = "--recursive goes with --folder or --check";
    else if (o.deidentify && check)
        parsed.error = "--deidentify changes copies; --check reads only";
    else if (!o.deidentify && (o.keepDates || !o.redactFile.empty() || !o.keyFile.empty()))
        parsed.error = "--keep-dates, --redact and --key go with --deidentify";
    if (!parsed.error.empty())
        return parsed;
    o.command = check ? Command::check : folder ? Command::repairFolder : Command::repairFile;
    parsed.error = checkPathCount(o);
    return parsed;
}

std::string usageText()
{
    return "Usage: velmorant-cli SOURCE [DESTINATION]\n"
           "       velmorant-cli --folder [--recursive] SOURCE_DIR DESTINATION_DIR\n"
           "       velmorant-cli --check [--recursive] PATH...\n"
           "       velmorant-cli --help | --version\n"
           "Each of the first three also takes --thorough and --json; the first two also\n"
           "take --deidentify [--keep-dates] [--redact FILE] [--key FILE].\n";
}

std::string helpText()
{
    return usageText()
        + "\n"
          "Copies EDF recordings and repairs the copy's header so that analysis software\n"
          "reads them; the source is never changed.\n"
          "\n"
          "  SOURCE [DESTINATION]  repair one file; without DESTINATION the copy goes to\n"
          "                        SOURCE less its last four characters + \"Fixed.edf\"\n"
          "  --folder              repair every *.edf of SOURCE_DIR into DESTINATION_DIR,\n"
          "                        each keeping its name\n"
          "  --check               read only: name every header fault of each file (or of\n"
          "                        each *.edf of a folder) and say whether the repair fixes it\n"
          "  --thorough            also fix every header fault the file itself settles: the\n"
          "                        record count from the file's size (a cut-off last record\n"
          "                        and bytes after the last record are left out of the copy),\n"
          "                        the header size, bytes outside printable ASCII in text\n"
          "                        fields, ':' '-' '/' in the start date and time, a decimal\n"
          "                        comma, EDF+ annotation signal fields; refuse, writing\n"
          "                        nothing, a file that would still be faulty. With --check:\n"
          "                        say for each fault which repair fixes it, or why none does\n"
          "  --recursive           with --folder or --check: every *.edf below each folder;\n"
          "                        the destination mirrors the source's sub-folders\n"
          "  --deidentify          after the repair, clear the copy's identity: patient\n"
          "                        and recording fields, the name, code and birthdate in\n"
          "                        annotation texts; move every start date of the run by\n"
          "                        the days that put the earliest on 01.01.85. Read back\n"
          "                        before the copy is put in place; nothing found is shown\n"
          "  --keep-dates          with --deidentify: leave the start dates as they are\n"
          "  --redact FILE         with --deidentify: also take out these words, one a line\n"
          "  --key FILE            with --deidentify: append one CSV row per file with its\n"
          "                        original fields (the file is made readable by you alone)\n"
          "  --json                one JSON object per line and file: with --check the\n"
          "                        findings, otherwise the outcome and every change made\n"
          "  --                    what follows is a path, even if it starts with -\n"
          "\n"
          "Exit status: 0 when every file was repaired (with --check: is sound or\n"
          "repairable, with --check --thorough by either repair), 1 when any was not,\n"
          "2 for wrong usage.\n";
}

std::string versionText()
{
    return std::string("velmorant-cli ") + version + "\n";
}

} // namespace velmorant
