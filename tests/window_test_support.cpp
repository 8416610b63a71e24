#include "window_test_support.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

ModalAnswerer::ModalAnswerer()
{
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start(10);
}

QStringList ModalAnswerer::messages() const
{
    QStringList texts;
    for (const SeenDialog &dialog : records) {
        if (dialog.className == QLatin1String("QMessageBox"))
            texts << dialog.text;
    }
    return texts;
}

void ModalAnswerer::poll()
{
    QWidget *widget = QApplication::activeModalWidget();
    auto *dialog = qobject_cast<QDialog *>(widget);
    if (!dialog)
        return;
    if (dialog == closing) {
        // A file dialog refuses to accept a name it cannot use; don't hang on it.
        if (++pollsWhileClosing > 50) {
            records.last().stuck = true;
            dialog->reject();
        }
        return;
    }

    SeenDialog seen;
    seen.className = QString::fromLatin1(dialog->metaObject()->className());
    seen.title = dialog->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        seen.text = box->text();
    seen.parent = dialog->parentWidget();
    records.append(seen);

    const Close close = answers.isEmpty() ? Close::reject : answers.dequeue()(dialog);
    closing = dialog;
    pollsWhileClosing = 0;
    // Closing from a queued call leaves this timer free to answer a dialog
    // that the closing itself opens.
    QMetaObject::invokeMethod(dialog, close == Close::accept ? "accept" : "reject",
                              Qt::QueuedConnection);
}

EdfFileSpec unrepairableFile()
{
    EdfFileSpec spec = recorderFile();
    spec.samplesPerRecord = {"0", "512"};
    return spec;
}

QString qtPath(const boost::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}
