#include "app/run_progress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>

namespace velmorant {

namespace {

// Each file counts the same on the bar, whatever its size.
constexpr int stepsPerFile = 100;
constexpr int showAfterMilliseconds = 1000;
// In average characters of the dialog's font: a name is cut in the middle to
// fit, and the dialog is wide enough from the start never to grow mid-run.
constexpr int nameCharacters = 40;
constexpr int dialogCharacters = 64;

QString megabytes(std::uintmax_t bytes)
{
    return QString::number(static_cast<qulonglong>(bytes / 1000000));
}

// Always a line, so that the dialog keeps its size from file to file.
QString copyText(std::uintmax_t done, std::uintmax_t total)
{
    if (total == 0)
        return QStringLiteral(" ");
    // The last report comes before the copy is put on disk, which can take seconds.
    if (done == total)
        return QCoreApplication::translate("Velmorant", "%1 MB copied, writing it to disk")
            .arg(megabytes(total));
    return QCoreApplication::translate("Velmorant", "%1 of %2 MB copied")
        .arg(megabytes(done), megabytes(total));
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
    dialog.setMinimumWidth(dialog.fontMetrics().averageCharWidth() * dialogCharacters);
    // Drops arrive even while other input waits; removed when this object goes.
    QCoreApplication::instance()->installEventFilter(this);
}

bool RunProgress::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    event->ignore();
    return true;
}

void RunProgress::startFile(int entry, const QString &entryName)
{
    index = entry;
    name
        = dialog.fontMetrics().elidedText(QFileInfo(entryName).fileName(), Qt::ElideMiddle,
                                          dialog.fontMetrics().averageCharWidth() * nameCharacters);
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
    dialog.setLabelText(file + QLatin1Char('\n') + copyText(done, total));
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
