#include "app/drop_target.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace velmorant {

namespace {

struct Dropped {
    QString path; // empty when the drop is not ours
    bool folder = false;
};

Dropped droppedPath(const QMimeData *data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QFileInfo dropped(urls.first().toLocalFile());
    if (!dropped.isFile() && !dropped.isDir())
        return {};
    return {dropped.filePath(), dropped.isDir()};
}

} // namespace

DropTarget::DropTarget(QWidget *window, QRadioButton *fileMode, QRadioButton *folderMode,
                       QLineEdit *source)
    : QObject(window), fileMode(fileMode), folderMode(folderMode), source(source)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // The path fields take drops of their own, as text; a file is ours there too.
    for (QLineEdit *field : window->findChildren<QLineEdit *>())
        field->installEventFilter(this);
}

bool DropTarget::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
    const Dropped dropped = droppedPath(drop->mimeData());
    if (dropped.path.isEmpty())
        return false;
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        take(dropped.path, dropped.folder);
    return true;
}

void DropTarget::take(const QString &path, bool folder)
{
    QRadioButton *mode = folder ? folderMode : fileMode;
    if (!mode->isChecked())
        mode->click();
    source->setText(path);
}

} // namespace velmorant
