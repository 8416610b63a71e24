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
    case Command::summarize:
        return n >= 1 ? "" : "--summarize needs at least one REPORT";
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
    bool folder = false, check = false, summarize = false, onlyPaths = false;
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
        } else if (argument == "--summarize") {
            summarize = true;
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
        } else if (takeSelectionOption(arguments, i, o.selection, parsed.error)) {
            if (!parsed.error.empty())
                return parsed;
        } else {
            parsed.error = "unknown option " + shownName(argument);
            return parsed;
        }
    }
    if (summarize && (folder || check || o.thorough || o.recursive || o.deidentify))
        parsed.error = "--summarize reads reports: it takes only --json";
    else if (folder && check)
        parsed.error = "--folder and --check cannot be combined; --check takes folders as they are";
    else if (o.recursive && !folder && !check)
        parsed.error = "--recursive goes with --folder or --check";
    else if (o.deidentify && check)
        parsed.error = "--deidentify changes copies; --check reads only";
    else if (!o.deidentify && (o.keepDates || !o.redactFile.empty() || !o.keyFile.empty()))
        parsed.error = "--keep-dates, --redact and --key go with --deidentify";
    if (!parsed.error.empty())
        return parsed;
    o.command = summarize ? Command::summarize
        : check           ? Command::check
        : folder          ? Command::repairFolder
                          : Command::repairFile;
    parsed.error = checkPathCount(o);
    if (parsed.error.empty())
        parsed.error = selectionError(o);
    return parsed;
}

std::string usageText()
{
    return "Usage: velmorant-cli SOURCE [DESTINATION]\n"
           "       velmorant-cli --folder [--recursive] SOURCE_DIR DESTINATION_DIR\n"
           "       velmorant-cli --check [--recursive] PATH...\n"
           "       velmorant-cli --summarize [--json] REPORT...\n"
           "       velmorant-cli --help | --version\n"
           "Each of the first three also takes --thorough and --json; the first two also\n"
           "take --deidentify [--keep-dates] [--redact FILE] [--key FILE] and\n"
           "--skip-existing; --folder and --check take --shard K/N and --files-from LIST\n"
           "[--from0] (--check then with one SOURCE_DIR).\n";
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
          "                        every header field and annotation text, dates in those\n"
          "                        texts; move every start date of the run by the days\n"
          "                        that put the earliest on 01.01.85. Read back before\n"
          "                        the copy is put in place; nothing found is shown\n"
          "  --keep-dates          with --deidentify: leave the dates as they are\n"
          "  --redact FILE         with --deidentify: also take out these words, one a line\n"
          "  --key FILE            with --deidentify: append one CSV row per file with its\n"
          "                        original fields, before the copy is put in place (a new\n"
          "                        file is made readable by you alone; an existing one must\n"
          "                        be yours and private)\n"
          "  --shard K/N           with --folder or --check: only the K-th of N shares of\n"
          "                        the files, each decided by the file's path below the\n"
          "                        source folder, so N runs together do the whole run once\n"
          "  --files-from LIST     with --folder or --check: the files LIST names, one a\n"
          "                        line, relative to SOURCE_DIR (- reads standard input);\n"
          "                        the destination mirrors their sub-folders\n"
          "  --from0               LIST's paths end with a NUL byte, not a line feed\n"
          "  --skip-existing       leave a destination that is there already, as skipped:\n"
          "                        a stopped run resumes where it stopped\n"
          "  --summarize           the summary a --check of many files ends with, made from\n"
          "                        the --check --json lines of the REPORTs (- for standard\n"
          "                        input), e.g. one per shard\n"
          "  --json                one JSON object per line and file: with --check the\n"
          "                        findings, otherwise the outcome and every change made;\n"
          "                        with --summarize one object\n"
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
