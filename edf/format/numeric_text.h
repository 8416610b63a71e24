#pragma once

#include <exception>
#include <locale>
#include <sstream>
#include <string>

namespace velmorant {

class StringConvertionException : public std::exception
{
public:
    explicit StringConvertionException(const std::string &message);
    const char *what() const noexcept override;

private:
    std::string message;
};

// Reads the integer at the start of a header field. Like the EDF readers we
// must agree with, it ignores whatever follows the digits ("1.5" reads as 1).
// The stream is given the classic locale so that the user's locale can never
// turn "1.800" into 1800.
template<typename Integer> Integer parseTo(const std::string &text)
{
    std::istringstream stream(text);
    stream.imbue(std::locale::classic());
    Integer value{};
    stream >> value;
    if (stream.fail())
        throw StringConvertionException("parseTo(): Fail to convert " + text);
    return value;
}

std::string toString(int value);

// Copies the text up to its terminator, nothing more: the caller passes a text
// exactly as wide as the field it writes.
void copyFieldText(char *position, const char *text);

} // namespace velmorant
