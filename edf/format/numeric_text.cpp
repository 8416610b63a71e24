#include "edf/format/numeric_text.h"

#include <cstring>

namespace velmorant {

StringConvertionException::StringConvertionException(const std::string &message)
    : message("StringConvertion -> " + message)
{ }

const char *StringConvertionException::what() const noexcept
{
    return message.c_str();
}

std::string toString(int value)
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << value;
    return stream.str();
}

void copyFieldText(char *position, const char *text)
{
    std::memcpy(position, text, std::strlen(text));
}

} // namespace velmorant
