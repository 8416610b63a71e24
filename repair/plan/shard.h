#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmorant {

// One of `count` shares of a run's files, numbered from 1, so that `count`
// processes, each given another index, together do the whole run once.
struct Shard {
    std::uint32_t index = 1;
    std::uint32_t count = 1;
};

// "K/N", 1 <= K <= N, digits only; nothing for anything else.
std::optional<Shard> parseShard(const std::string &text);

// The share (from 1 to count) of a file, decided by its path relative to the
// run's source folder, names joined with "/": the same on every machine, in
// every run and whatever order the files are listed in, so a file added
// meanwhile never moves another to a share that has run already.
std::uint32_t shardOf(const std::string &relativePath, std::uint32_t count);

// The items in the share, in their order; all of them without a shard.
template<typename Item, typename RelativePath>
std::vector<Item> inShard(const std::vector<Item> &items, const std::optional<Shard> &shard,
                          RelativePath relativePath)
{
    if (!shard)
        return items;
    std::vector<Item> kept;
    for (const Item &item : items)
        if (shardOf(relativePath(item), shard->count) == shard->index)
            kept.push_back(item);
    return kept;
}

} // namespace velmorant
