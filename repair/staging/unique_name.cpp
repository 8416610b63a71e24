#include "repair/staging/unique_name.h"

namespace velmorant {

UniqueNames::UniqueNames() : engine(std::random_device{}()) { }

std::string UniqueNames::operator()(std::string pattern)
{
    std::uniform_int_distribution<int> digit(0, 15);
    for (char &c : pattern)
        if (c == '%')
            c = "0123456789abcdef"[digit(engine)];
    return pattern;
}

std::string uniqueName(std::string pattern)
{
    return UniqueNames()(std::move(pattern));
}

} // namespace velmorant
