#include "app/velmorant.h"

#include "app/caption_fit.h"
#include "app/drop_target.h"
#include "app/run_details.h"
#include "app/run_progress.h"
#include "app/thorough_offer.h"
#include "repair/plan/run_plan.h"
#include "velmorant_version.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <string>

namespace {

// The one report of a run.
QString outcome(int converted, int files)
{
    if (converted > 0 && files > 0) {
        return files == 1
            ? QStringLiteral("Conversion completed")
            : QStringLiteral("Conversion completed. %1/%2 files").arg(converted).arg(files);
    }
    return files > 0 ? QStringLiteral("Something wrong, please try again later")
                     : QStringLiteral("No file to convert.");
}

// The run's message, with the offer of the thorough repair when there is one;
// true when the user takes it.
bool showOutcome(const QString &text, const QString &details, bool offerThorough)
{
    QMessageBox box;
    box.setText(text);
    velmorant::offerDetails(box, details);
    if (!offerThorough) {
        box.exec();
        return false;
    }
    box.setStandardButtons(QMessageBox::Ok);
    QPushButton *thorough = box.addButton(
        QCoreApplication::translate("Velmorant", "Repair &Thoroughly"), QMessageBox::AcceptRole);
    // Enter or Escape must never start a repair the user did not choose.
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == thorough;
}

} // namespace

Velmorant::Velmorant(QWidget *parent) : QMainWindow(parent)
{
    ui.setupUi(this);
    new velmorant::CaptionFit(ui.centralWidget, this);
    new velmorant::DropTarget(this, ui.modeFile, ui.modeFolder, ui.sourceEdit);
    setWindowTitle(QStringLiteral("Velmorant %1").arg(QLatin1String(velmorant::version)));
}

Velmorant::~Velmorant() = default;

void Velmorant::on_okBt_clicked()
{
    velmorant::RunEntries entries;
    QString unlisted;
    if (ui.modeFile->isChecked()) {
        // File mode names the destination whole.
        fileList = QStringList(ui.sourceEdit->text());
        entries.append({fileList[0], fileList[0], ui.desEdit->text()});
    } else {
        unlisted = buildFileList(entries);
    }
    // A folder run is held to the folder named, never led out of it by a link.
    setDestinationRoot(ui.modeFile->isChecked() ? std::string()
                                                : velmorant::utf8Path(ui.desEdit->text()));

    fileCount = fileList.size();
    convertedCount = 0;
    velmorant::ThoroughOffer offer;
    const QString details = unlisted.isEmpty()
        ? repairFileList(entries, offer)
        : velmorant::notListed(ui.sourceEdit->text(), unlisted);

    // A folder that cannot be listed is a failure, never "nothing to convert".
    const QString text = unlisted.isEmpty()
        ? outcome(convertedCount, fileCount)
        : QStringLiteral("Something wrong, please try again later");
    if (showOutcome(text, details, !offer.isEmpty()))
        repairThoroughly(offer);
}

// The usual repair of every entry; returns the details of what went wrong,
// and offers the thorough repair for the files it would make sound.
QString Velmorant::repairFileList(const velmorant::RunEntries &entries,
                                  velmorant::ThoroughOffer &offer)
{
    velmorant::RunDetails details;
    convertedCount
        = repairEntries(entries, details, [&](int index, const velmorant::FileOutcome &result) {
              const velmorant::RunEntry &entry = entries.at(index);
              if (!result.repaired) {
                  details.notRepaired(entry.name, result.failure);
                  details.changes(offer.consider(entry, &result.failure));
                  return;
              }
              details.repaired(entry.name, result.check);
              if (!result.check.sound)
                  details.changes(offer.consider(entry));
          });
    if (!offer.isEmpty())
        details.offered(offer.entries().size());
    return details.text();
}

// The offered files again, thoroughly, from their sources to the same
// destinations; ends with its own message.
void Velmorant::repairThoroughly(const velmorant::ThoroughOffer &offer)
{
    const velmorant::RunEntries &entries = offer.entries();
    velmorant::RunDetails details;
    setMode(velmorant::RepairMode::thorough);
    const int repaired
        = repairEntries(entries, details, [&](int index, const velmorant::FileOutcome &result) {
              const velmorant::RunEntry &entry = entries.at(index);
              if (!result.repaired) {
                  details.notRepaired(entry.name, result.failure);
                  return;
              }
              details.thoroughlyRepaired(entry.name, offer.changesMade(index, result.repair));
              details.repaired(entry.name, result.check);
          });
    setMode(velmorant::RepairMode::usual);
    showOutcome(outcome(repaired, entries.size()), details.text(), false);
}

// Repairs the entries in order, until the list ends or the user cancels;
// returns how many were repaired.
int Velmorant::repairEntries(const velmorant::RunEntries &entries, velmorant::RunDetails &details,
                             const EntryDone &done)
{
    velmorant::RunProgress progress(this, entries.size());
    setCopyProgress([&progress](std::uintmax_t copied, std::uintmax_t total) {
        return progress.copied(copied, total);
    });
    std::vector<velmorant::RepairJob> jobs;
    for (const velmorant::RunEntry &entry : entries)
        jobs.push_back({velmorant::utf8Path(entry.source), velmorant::utf8Path(entry.destination)});
    int repaired = 0;
    const std::size_t begun = repairJobs(
        jobs,
        [&](std::size_t index) {
            if (progress.wasCancelled())
                return false;
            progress.startFile(static_cast<int>(index), entries.at(static_cast<int>(index)).name);
            return true;
        },
        [&](std::size_t index, const velmorant::FileOutcome &result) {
            repaired += result.repaired ? 1 : 0;
            done(static_cast<int>(index), result);
        });
    setCopyProgress({});
    if (progress.wasCancelled())
        details.cancelled(entries.size() - static_cast<int>(begun));
    return repaired;
}

std::size_t Velmorant::repairJobs(const std::vector<velmorant::RepairJob> &jobs,
                                  const BeforeFile &before, const AfterFile &after)
{
    // One bad file must not end the run, let alone the program.
    try {
        return repairAll(jobs, before, after);
    } catch (...) {
        return jobs.size();
    }
}

// Lists the source folder as the command line does, every file to the same
// name in the destination folder; returns why the folder cannot be listed,
// if it cannot, which is never "nothing to convert".
QString Velmorant::buildFileList(velmorant::RunEntries &entries)
{
    fileList.clear();
    const velmorant::RunPlan plan = velmorant::planFolder(
        velmorant::utf8Path(ui.sourceEdit->text()), velmorant::utf8Path(ui.desEdit->text()), false);
    if (!plan.unlisted.empty())
        return QString::fromStdString(plan.unlisted.front().reason);
    for (const velmorant::PlannedFile &file : plan.files) {
        fileList.append(QString::fromStdString(file.name));
        entries.append({fileList.last(), QString::fromStdString(file.source),
                        QString::fromStdString(file.destination)});
    }
    return {};
}
