#include "edf/repair/header_review.h"
#include "edf/repair/thorough_repair.h"
#include "edf/repair/transfer_reversal.h"
#include "edf/wording/failure_text.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/header_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace velmorant;

namespace {

std::string trimmed(const std::string &text)
{
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

bool sameChanges(const std::vector<FieldChange> &a, const std::vector<FieldChange> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
        return x.field == y.field && x.signal == y.signal && x.to == y.to;
    });
}

} // namespace

class ThoroughRepair : public ::testing::TestWithParam<ThoroughCase>
{
};

TEST_P(ThoroughRepair, FixesWhatTheFileSettlesAndRefusesTheRest)
{
    const ThoroughCase &c = GetParam();
    const RepairPreview thorough = thoroughPreview(c.bytes);
    ASSERT_EQ(thorough.failure.step, c.refusal) << describe(thorough.failure);
    EXPECT_EQ(thorough.succeeds, c.refusal == RepairStep::none);
    if (!thorough.succeeds) {
        const auto named = std::find_if(
            thorough.unsettled.begin(), thorough.unsettled.end(),
            [&](const Finding &f) { return f.field == c.field && f.signal == c.signal; });
        if (c.field.empty())
            return;
        ASSERT_NE(named, thorough.unsettled.end()) << describe(thorough.failure);
        if (!c.text.empty()) {
            EXPECT_EQ(trimmed(named->found), c.text);
        }
        return;
    }
    // Its promise: whatever it writes, the check finds sound.
    const std::string &data = c.original.empty() ? c.bytes : c.original;
    const std::string copy = thorough.header
        + data.substr(thorough.header.size(), thorough.keptSize - thorough.header.size());
    BytesInMemory copied(copy);
    const FileCheck after = checkHeaderBytes(thorough.header, thorough.keptSize, &copied);
    EXPECT_TRUE(after.sound) << (after.findings.empty() ? "" : after.findings[0].finding.field);
    EXPECT_EQ(thorough.leftOut, c.leftOut);
    EXPECT_EQ(thorough.keptSize + thorough.leftOut + thorough.carriageReturnsRemoved,
              c.bytes.size());
    const auto changed
        = std::find_if(thorough.changes.begin(), thorough.changes.end(), [&](const FieldChange &f) {
              return f.field == c.field && f.signal == c.signal;
          });
    if (c.field.empty())
        EXPECT_TRUE(sameChanges(thorough.changes, previewRepair(c.bytes, c.bytes.size()).changes));
    else if (changed == thorough.changes.end())
        ADD_FAILURE() << "no change to " << c.field;
    else
        EXPECT_EQ(trimmed(changed->to), c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ThoroughRepair, ::testing::ValuesIn(thoroughCases()),
                         [](const auto &info) { return std::string(info.param.name); });

enum class FixedBy { usual, thorough, none };

FixedBy fixedBy(const CheckedFinding &f)
{
    return f.repaired ? FixedBy::usual : f.repairedThorough ? FixedBy::thorough : FixedBy::none;
}

// --check --thorough: which repair fixes each finding, or why none does.
TEST(ThoroughRepair, TheCheckSaysWhichRepairFixesEachFinding)
{
    struct Expected {
        Rule rule;
        FixedBy by;
        std::string whyNot;
    };
    EdfFileSpec settled = soundFile();
    settled.version = "";
    settled.dataRecords = "-1";
    EdfFileSpec refused = settled;
    refused.startDate = "32.08.16";
    const std::string refusedForOthers
        = "the thorough repair fixes it but refuses the file for its other faults";
    const std::vector<std::pair<EdfFileSpec, std::vector<Expected>>> cases{
        {settled, {{Rule::version, FixedBy::usual, ""}, {Rule::records, FixedBy::thorough, ""}}},
        {refused,
         {{Rule::version, FixedBy::usual, ""},
          {Rule::startDate, FixedBy::none, unsettledReason(Rule::startDate)},
          {Rule::records, FixedBy::none, refusedForOthers}}},
    };
    for (const auto &[fileSpec, expected] : cases) {
        const std::string bytes = buildEdf(fileSpec);
        const FileCheck check = checkHeaderBytes(bytes, bytes.size());
        ASSERT_EQ(check.findings.size(), expected.size());
        const bool allFixed = std::none_of(expected.begin(), expected.end(),
                                           [](const Expected &e) { return e.by == FixedBy::none; });
        EXPECT_EQ(check.soundAfterThoroughRepair, allFixed);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const CheckedFinding &f = check.findings[i];
            EXPECT_EQ(ruleName(f.finding.rule), ruleName(expected[i].rule));
            EXPECT_EQ(fixedBy(f), expected[i].by) << ruleName(f.finding.rule);
            EXPECT_EQ(f.whyNotRepaired, expected[i].whyNot) << ruleName(f.finding.rule);
        }
    }
}

// Each rule's row: a finding of it is never left without its own reason.
TEST(ThoroughRepair, EveryRuleHasAReasonAndANameOfItsOwn)
{
    std::set<std::string> names;
    for (Rule rule : allRules()) {
        const Finding finding{rule, "field", 0, "found", "expected", false};
        EXPECT_FALSE(whyUnsettled(finding).empty()) << static_cast<int>(rule);
        EXPECT_TRUE(names.insert(ruleName(rule)).second) << static_cast<int>(rule);
    }
}

// The file layer feeds the data in chunks of its own size: a carriage return
// and its line feed may arrive apart, and a lone one must survive.
TEST(TransferDamage, TheReversalDoesNotDependOnWhereTheDataIsCut)
{
    const std::string original = "a\r\n\nb\rc\r\r\n\n\r";
    const std::string converted = "a\r\r\n\r\nb\rc\r\r\r\n\r\n\r";
    for (std::size_t chunk = 1; chunk <= converted.size(); ++chunk) {
        CarriageReturnRemover remover;
        TransferScanner scanner;
        std::string restored;
        for (std::size_t at = 0; at < converted.size(); at += chunk) {
            const std::size_t size = std::min(chunk, converted.size() - at);
            remover.feed(converted.data() + at, size, restored);
            scanner.feed(converted.data() + at, size);
        }
        remover.finish(restored);
        EXPECT_EQ(restored, original) << "chunks of " << chunk;
        const TransferDamage damage = judgeTransferDamage(4, scanner.finish());
        EXPECT_TRUE(damage.reversible()) << "chunks of " << chunk;
        EXPECT_EQ(remover.removed(), damage.removedBytes());
    }
}
