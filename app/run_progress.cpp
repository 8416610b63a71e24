#include "run_progress.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>

namespace velmorant {

namespace {

// Each file counts the same on the bar, whatever its size.
constexpr int stepsPerFile = 100;
constexpr int showAfterMilliseconds = 1000;
constexpr int widestName = 320;

QString megabytes(std::uintmax_t bytes)
{
    return QString::number(static_cast<qulonglong>(bytes / 1000000));
}

} // namespace

RunProgress::RunProgress(QWidget *window, int files) : dialog(window), files(files)
{
    dialog.setWindowTitle(window->windowTitle());
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setRange(0, files * stepsPerFile);
    dialog.setMinimumDuration(showAfterMilliseconds);
}

void RunProgress::startFile(int entry, const QString &entryName)
{
    index = entry;
    name = dialog.fontMetrics().elidedText(QFileInfo(entryName).fileName(), Qt::ElideMiddle,
                                           widestName);
    show(0, 0);
}

bool RunProgress::copied(std::uintmax_t done, std::uintmax_t total)
{
    show(done, total);
    return !dialog.wasCanceled();
}

void RunProgress::show(std::uintmax_t done, std::uintmax_t total)
{
    const QString file = QCoreApplication::translate("Velmorant", "File %1 of %2: %3")
                             .arg(index + 1)
                             .arg(files)
                             .arg(name);
    // Two lines from the start, so that the dialog keeps its size.
    const QString copy = total > 0 ? QCoreApplication::translate("Velmorant", "%1 of %2 MB copied")
                                         .arg(megabytes(done), megabytes(total))
                                   : QStringLiteral(" ");
    dialog.setLabelText(file + QLatin1Char('\n') + copy);
    const int part = total > 0 ? static_cast<int>(done * stepsPerFile / total) : 0;
    dialog.setValue(index * stepsPerFile + part);
    keepWindowAlive();
}

void RunProgress::keepWindowAlive()
{
    // Until the dialog shows, the window itself would take a click on OK and
    // start a run inside this one: let it paint, but not take input yet.
    QCoreApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
}

} // namespace velmorant
