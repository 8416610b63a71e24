#include "repair/plan/shard.h"

namespace velmorant {

namespace {

std::optional<std::uint32_t> wholeNumber(const std::string &digits)
{
    // Up to a million shares: more tasks than any array takes.
    if (digits.empty() || digits.size() > 7)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

// FNV-1a over the bytes, then mixed so that names that differ in one digit
// spread over every share: fixed arithmetic, unlike std::hash, which each
// library computes its own way.
std::uint64_t pathHash(const std::string &text)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3u;
    }
    hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9u;
    hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebu;
    return hash ^ (hash >> 31);
}

} // namespace

std::optional<Shard> parseShard(const std::string &text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos)
        return std::nullopt;
    const auto index = wholeNumber(text.substr(0, slash));
    const auto count = wholeNumber(text.substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count)
        return std::nullopt;
    return Shard{*index, *count};
}

std::uint32_t shardOf(const std::string &relativePath, std::uint32_t count)
{
    // The hash's upper half scaled to the count: no share favoured, as a
    // remainder would favour the low ones.
    const std::uint64_t upper = pathHash(relativePath) >> 32;
    return static_cast<std::uint32_t>((upper * count) >> 32) + 1;
}

} // namespace velmorant
