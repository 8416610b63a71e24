#include "unique_name.h"

#include <random>

namespace velmorant {

std::string uniqueName(std::string pattern)
{
    // Seeded per call: names are made rarely, and a shared engine would be global state.
    std::random_device entropy;
    std::mt19937 engine(entropy());
    std::uniform_int_distribution<int> digit(0, 15);
    for (char &c : pattern)
        if (c == '%')
            c = "0123456789abcdef"[digit(engine)];
    return pattern;
}

} // namespace velmorant
