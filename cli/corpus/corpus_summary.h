#pragma once

#include "cli/json_value.h"
#include "repair/engine/file_check.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace velmorant {

// What a check of many files found, counted by file: how many are sound or
// made sound by which repair, and for each kind of fault or warning how many
// files have it and which repair settles it there. The same whether the
// files are added as a check runs or from the --json lines of its shards,
// in any order.
class CorpusSummary
{
public:
    // thorough: the check said what the thorough repair settles.
    void add(const FileCheck &check, bool thorough);
    // One line of --check --json; false, with the reason, for a line that is not one.
    bool add(const JsonValue &line, std::string &reason);

    std::size_t files() const { return total; }
    bool allSoundOrRepairable() const;
    // A heading and a line per kind, the most files first; empty without a kind.
    std::string kindsText() const;
    // "5 files checked: 1 sound, 1 needs repair, 3 not repairable", as --check ends.
    std::string countLine() const;
    std::string json() const;

private:
    enum Settled { byRepair, byThorough, byNeither }; // a file's worst finding of a kind counts
    struct Kind {
        std::string field;
        bool warning = false;
        bool causedByRepair = false;
        bool operator<(const Kind &other) const;
    };
    struct Tally {
        std::size_t files = 0;
        std::size_t settled[3] = {};
    };
    struct FileFacts {
        bool sound = false;
        bool soundAfterRepair = false;
        std::optional<bool> soundAfterThorough; // known with --thorough
        std::map<Kind, Settled> kinds;
        void found(const Kind &kind, Settled settled);
    };

    static std::string label(const Kind &kind);
    std::string kindLine(const Kind &kind, const Tally &tally) const;
    void addFile(const FileFacts &facts);

    std::size_t total = 0, sound = 0, repairable = 0, thoroughRepairable = 0;
    bool thoroughKnown = false;
    std::map<Kind, Tally> kinds;
};

} // namespace velmorant
