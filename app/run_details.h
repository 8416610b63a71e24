#pragma once

#include "edf/repair/header_review.h"
#include "edf/repair/repair_failure.h"

#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace velmorant {

// The details that a run's message offers: one line per file that was not
// repaired, or that was repaired but would still be refused by a strict
// reader, each in the engine's own words, with what the thorough repair
// would change beneath it; and how the run ended when it was cut short.
// Empty when there is nothing to tell.
class RunDetails
{
public:
    void notRepaired(const QString &file, const RepairFailure &failure);
    // Adds a line only when the repaired copy still breaks a rule.
    void repaired(const QString &file, const FileCheck &copy);
    void cancelled(int notAttempted);
    // Under the file's line: what the thorough repair would change or changed.
    void changes(const QStringList &changeLines);
    void thoroughlyRepaired(const QString &file, const QStringList &changeLines);
    // The last line when the message offers the thorough repair of `files` files.
    void offered(int files);

    QString text() const { return lines.join(QLatin1Char('\n')); }

private:
    QStringList lines;
};

// The details of a run whose source folder could not be listed.
QString notListed(const QString &folder, const QString &reason);

// Offers the details in the box, when there are any, in a view wide enough
// to read a reason on a line or two.
void offerDetails(QMessageBox &box, const QString &details);

} // namespace velmorant
