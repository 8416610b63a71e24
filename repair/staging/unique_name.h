#pragma once

#include <random>
#include <string>

namespace velmorant {

// Random lowercase hex digits for names that no other process picks at the
// same time. Seeded once: seeding costs far more than a name, and a run
// makes a name for every file.
class UniqueNames
{
public:
    UniqueNames();

    // The pattern with every '%' replaced by a random digit.
    std::string operator()(std::string pattern);

private:
    std::mt19937 engine;
};

// One name, for callers that make only one.
std::string uniqueName(std::string pattern);

} // namespace velmorant
