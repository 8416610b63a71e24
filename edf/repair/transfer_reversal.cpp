#include "edf/repair/transfer_reversal.h"

#include <cstring>

namespace velmorant {

void CarriageReturnRemover::feed(const char *data, std::size_t size, std::string &out)
{
    if (size == 0)
        return;
    if (pendingReturn) {
        pendingReturn = false;
        if (data[0] == '\n')
            ++removedCount;
        else
            out += '\r';
    }
    const char *end = data + size;
    const char *from = data;
    for (const char *at = data; (at = static_cast<const char *>(std::memchr(at, '\r', end - at)));
         ++at) {
        if (at + 1 == end) {
            out.append(from, at);
            pendingReturn = true;
            return;
        }
        if (at[1] == '\n') {
            out.append(from, at);
            from = at + 1;
            ++removedCount;
        }
    }
    out.append(from, end);
}

void CarriageReturnRemover::finish(std::string &out)
{
    if (pendingReturn)
        out += '\r';
    pendingReturn = false;
}

} // namespace velmorant
