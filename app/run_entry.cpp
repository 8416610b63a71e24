#include "app/run_entry.h"

#include "repair/engine/file_check.h"

#include <exception>

namespace velmorant {

std::string utf8Path(const QString &path)
{
    return std::string(path.toUtf8().constData());
}

FileCheck checkPath(const QString &path, RecordReading reading)
{
    try {
        return checkFile(utf8Path(path), reading);
    } catch (const std::exception &e) {
        FileCheck unreadable;
        unreadable.readError = e.what();
        return unreadable;
    }
}

} // namespace velmorant
