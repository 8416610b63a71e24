#pragma once

#include "edf/repair/header_review.h"

#include <QString>
#include <QVector>

#include <string>

namespace velmorant {

// One file of a run: its name in the progress and the details, where it is
// read from and where its repair goes.
struct RunEntry {
    QString name;
    QString source;
    QString destination;
};
using RunEntries = QVector<RunEntry>;

// A path leaves the window as UTF-8 text that ends at the first NUL.
std::string utf8Path(const QString &path);

// The strict check of the file at path, from its header and size; a file
// that cannot be checked has the reason as its readError. A copy just made
// needs only its first and last records read to show a shift.
FileCheck checkPath(const QString &path, RecordReading reading = RecordReading::gaps);

} // namespace velmorant
