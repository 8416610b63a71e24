#include "velmorant.h"

#include "caption_fit.h"
#include "drop_target.h"
#include "file_check.h"
#include "file_system.h"
#include "run_details.h"
#include "run_progress.h"
#include "velmorant_version.h"

#include <QDir>
#include <QMessageBox>

#include <string>

namespace {

// A path leaves the window as UTF-8 text that ends at the first NUL.
std::string utf8Path(const QString &path)
{
    return std::string(path.toUtf8().constData());
}

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

// What a strict reader would make of a repaired copy.
velmorant::FileCheck checkRepaired(const QString &destination)
{
    try {
        return velmorant::checkFile(utf8Path(destination));
    } catch (const std::exception &e) {
        velmorant::FileCheck unreadable;
        unreadable.readError = e.what();
        return unreadable;
    }
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
    const bool fileMode = ui.modeFile->isChecked();
    QString sourcePrefix;
    QString destinationPrefix;
    QString unlisted;
    if (fileMode) {
        fileList.clear();
        fileList.append(ui.sourceEdit->text());
        destinationPrefix = ui.desEdit->text();
    } else {
        unlisted = buildFileList();
        sourcePrefix = ui.sourceEdit->text() + QLatin1Char('/');
        destinationPrefix = ui.desEdit->text() + QLatin1Char('/');
    }

    fileCount = fileList.size();
    convertedCount = 0;
    const QString details = unlisted.isEmpty()
        ? repairFileList(sourcePrefix, destinationPrefix, fileMode)
        : velmorant::notListed(ui.sourceEdit->text(), unlisted);

    QMessageBox box;
    // A folder that cannot be listed is a failure, never "nothing to convert".
    box.setText(unlisted.isEmpty() ? outcome(convertedCount, fileCount)
                                   : QStringLiteral("Something wrong, please try again later"));
    velmorant::offerDetails(box, details);
    box.exec();
}

// Repairs the entries in list order, counting the repaired ones, until the
// list ends or the user cancels; returns the details of what went wrong.
QString Velmorant::repairFileList(const QString &sourcePrefix, const QString &destinationPrefix,
                                  bool fileMode)
{
    velmorant::RunDetails details;
    velmorant::RunProgress progress(this, fileCount);
    setCopyProgress([&progress](std::uintmax_t done, std::uintmax_t total) {
        return progress.copied(done, total);
    });
    std::vector<velmorant::RepairJob> jobs;
    for (const QString &name : fileList) {
        // Every file keeps its name in folder mode; file mode names the destination whole.
        const QString destination = fileMode ? destinationPrefix : destinationPrefix + name;
        jobs.push_back({utf8Path(sourcePrefix + name), utf8Path(destination)});
    }
    const std::size_t begun = repairEntries(
        jobs,
        [this, &progress](std::size_t entry) {
            if (progress.wasCancelled())
                return false;
            progress.startFile(static_cast<int>(entry), fileList.at(static_cast<int>(entry)));
            return true;
        },
        [this, &details, &jobs](std::size_t entry, bool repaired) {
            const QString &name = fileList.at(static_cast<int>(entry));
            if (!repaired) {
                details.notRepaired(name, lastFailure());
                return;
            }
            ++convertedCount;
            details.repaired(name, checkRepaired(QString::fromStdString(jobs[entry].destination)));
        });
    setCopyProgress({});
    if (progress.wasCancelled())
        details.cancelled(fileCount - static_cast<int>(begun));
    return details.text();
}

std::size_t Velmorant::repairEntries(const std::vector<velmorant::RepairJob> &jobs,
                                     const BeforeFile &before, const AfterFile &after)
{
    // One bad file must not end the run, let alone the program.
    try {
        return repairAll(jobs, before, after);
    } catch (...) {
        return jobs.size();
    }
}

// Returns why the folder cannot be listed, if it cannot; QDir alone would
// call an unreadable folder empty.
QString Velmorant::buildFileList()
{
    fileList.clear();
    const QString folder = ui.sourceEdit->text();
    bool exists = false;
    std::string unlisted;
    try {
        exists = velmorant::pathExists(utf8Path(folder));
        unlisted = exists ? velmorant::listingError(utf8Path(folder)) : std::string();
    } catch (...) {
        exists = false;
    }
    // An empty text names nothing, so the working directory is never listed.
    if (!exists || !unlisted.empty())
        return QString::fromStdString(unlisted);
    QDir directory(folder);
    directory.setNameFilters(QStringList(QStringLiteral("*.edf")));
    fileList = directory.entryList();
    return {};
}
