#include "app/run_details.h"

#include "edf/wording/failure_text.h"
#include "edf/wording/finding_text.h"

#include <QCoreApplication>
#include <QTextEdit>

namespace velmorant {

namespace {

QString words(const std::string &text)
{
    return QString::fromStdString(text);
}

QString translated(const char *text)
{
    return QCoreApplication::translate("Velmorant", text);
}

// Why a strict reader refuses the file: its faults, not its warnings.
QStringList refusals(const FileCheck &check)
{
    if (!check.readError.empty())
        return {words(check.readError)};
    QStringList faults;
    for (const CheckedFinding &f : check.findings) {
        if (!f.finding.warning)
            faults << words(findingText(f.finding));
    }
    return faults;
}

} // namespace

void RunDetails::notRepaired(const QString &file, const RepairFailure &failure)
{
    lines << translated("%1: not repaired: %2").arg(file, words(describe(failure)));
}

void RunDetails::repaired(const QString &file, const FileCheck &copy)
{
    if (copy.sound)
        return;
    lines << translated("%1: repaired, but strict readers would still refuse it: %2")
                 .arg(file, refusals(copy).join(QStringLiteral("; ")));
}

void RunDetails::cancelled(int notAttempted)
{
    lines << (notAttempted == 1 ? translated("The run was cancelled: 1 file was not attempted.")
                                : translated("The run was cancelled: %1 files were not attempted.")
                                      .arg(notAttempted));
}

void RunDetails::changes(const QStringList &changeLines)
{
    for (const QString &line : changeLines)
        lines << QStringLiteral("  ") + line;
}

void RunDetails::thoroughlyRepaired(const QString &file, const QStringList &changeLines)
{
    lines << translated("%1: repaired thoroughly").arg(file);
    changes(changeLines);
}

void RunDetails::offered(int files)
{
    lines << (files == 1
                  ? translated("Repair Thoroughly repairs the file marked \"thorough\" from its "
                               "source to its destination.")
                  : translated("Repair Thoroughly repairs the %1 files marked \"thorough\" from "
                               "their sources to their destinations.")
                        .arg(files));
}

QString notListed(const QString &folder, const QString &reason)
{
    return translated("%1: the folder cannot be listed: %2").arg(folder, reason);
}

void offerDetails(QMessageBox &box, const QString &details)
{
    constexpr int charactersPerLine = 80;
    box.setDetailedText(details);
    if (auto *view = box.findChild<QTextEdit *>())
        view->setMinimumWidth(view->fontMetrics().averageCharWidth() * charactersPerLine);
}

} // namespace velmorant
