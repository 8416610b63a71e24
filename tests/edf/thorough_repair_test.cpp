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

// --check --thorough: which repair fixes each finding, or why none does.
TEST(ThoroughRepair, TheCheckSaysWhichRepairFixesEachFinding)
{
    EdfFileSpec fileSpec = soundFile();
    fileSpec.dataRecords = "-1";
    const std::string settled = buildEdf(fileSpec);
    const FileCheck fixable = checkHeaderBytes(settled, settled.size());
    ASSERT_EQ(fixable.findings.size(), 1u);
    EXPECT_FALSE(fixable.findings[0].repaired);
    EXPECT_TRUE(fixable.findings[0].repairedThorough);
    EXPECT_TRUE(fixable.soundAfterThoroughRepair);

    fileSpec.startDate = "32.08.16";
    const std::string unsettled = buildEdf(fileSpec);
    const FileCheck refused = checkHeaderBytes(unsettled, unsettled.size());
    ASSERT_EQ(refused.findings.size(), 2u);
    EXPECT_FALSE(refused.soundAfterThoroughRepair);
    for (const CheckedFinding &f : refused.findings) {
        EXPECT_FALSE(f.repairedThorough) << f.finding.field;
        EXPECT_FALSE(f.whyNotRepaired.empty()) << f.finding.field;
    }
    EXPECT_NE(refused.findings[0].whyNotRepaired, refused.findings[1].whyNotRepaired);
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
