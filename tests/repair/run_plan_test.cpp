// Which files a run takes: a share of them, or those a list names.
#include "repair/plan/files_from.h"
#include "repair/plan/shard.h"
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace velmorant;

TEST(Shard, TakesKOfNAndNothingElse)
{
    const std::vector<std::pair<std::string, std::string>> rows{
        {"1/4", "1 of 4"},     {"4/4", "4 of 4"}, {"1/1", "1 of 1"}, {"0/4", "none"},
        {"5/4", "none"},       {"1/0", "none"},   {"-1/4", "none"},  {"1/4x", "none"},
        {" 1/4", "none"},      {"1//4", "none"},  {"4", "none"},     {"", "none"},
        {"1/99999999", "none"}};
    for (const auto &[text, expected] : rows) {
        const std::optional<Shard> shard = parseShard(text);
        EXPECT_EQ(shard ? std::to_string(shard->index) + " of " + std::to_string(shard->count)
                        : "none",
                  expected)
            << text;
    }
}

TEST(Shard, SharesAreAboutEqualAndKeepNoOrder)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 20000; ++i)
        paths.push_back("night" + std::to_string(i / 100) + "/rec" + std::to_string(i) + ".edf");
    for (std::uint32_t count : {2u, 3u, 8u, 64u}) {
        std::vector<std::size_t> sizes(count + 1);
        for (const std::string &path : paths)
            ++sizes.at(shardOf(path, count));
        const double mean = double(paths.size()) / count;
        for (std::uint32_t k = 1; k <= count; ++k)
            EXPECT_NEAR(double(sizes[k]), mean, 0.2 * mean) << k << " of " << count;
    }
    // A listing in another order gives each share the same files.
    std::vector<std::string> reversed(paths.rbegin(), paths.rend());
    const auto path = [](const std::string &p) { return p; };
    std::vector<std::string> share = inShard(reversed, Shard{3, 8}, path);
    std::reverse(share.begin(), share.end());
    EXPECT_EQ(share, inShard(paths, Shard{3, 8}, path));
}

// Tasks on other machines, or built by another compiler, split a tree alike.
TEST(Shard, TheSameOnEveryMachine)
{
    EXPECT_EQ(shardOf("a.edf", 4), 3u);
    EXPECT_EQ(shardOf("sub/b.edf", 4), 2u);
    EXPECT_EQ(shardOf("M\xC3\xBCller/night 2.EDF", 64), 36u);
}

TEST(FilesFrom, PathsBelowTheSourceAreTakenAndOthersRefused)
{
    ScratchDir source;
    const std::string root = source.path().string();
    struct Row {
        std::string list;
        bool nul;
        std::vector<std::string> taken;
        std::vector<std::string> refused;
    };
    const std::vector<Row> rows{
        {"a.edf\nsub/b.edf\n", false, {"a.edf", "sub/b.edf"}, {}},
        {"a.edf\r\n\n./sub//b.edf", false, {"a.edf", "sub/b.edf"}, {}},
        {std::string("a b.edf\0sub/c\nd.edf\0\0", 22), true, {"a b.edf", "sub/c\nd.edf"}, {}},
        {"sub/../a.edf\n../x.edf\nsub/../../x.edf\n.\n",
         false,
         {"a.edf"},
         {"../x.edf", "sub/../../x.edf", "."}},
        {root + "/sub/a.edf\n" + root + "/../x.edf\n/elsewhere/a.edf\n",
         false,
         {"sub/a.edf"},
         {root + "/../x.edf", "/elsewhere/a.edf"}},
    };
    for (const Row &row : rows) {
        std::istringstream list(row.list);
        const FileList files = readFileList(list, row.nul, root);
        EXPECT_EQ(files.paths, row.taken) << row.list;
        std::vector<std::string> refused;
        for (const RefusedPath &r : files.refused)
            refused.push_back(r.listed);
        EXPECT_EQ(refused, row.refused) << row.list;
    }
}
