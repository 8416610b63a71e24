#include "tests/app/window_test_support.h"

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QMessageBox>

using namespace velmorant;

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
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog)
        return;
    const int known = handled.indexOf(dialog);
    if (known >= 0) {
        // Answered already: it is closing, or waits for a dialog it opened.
        // A file dialog refuses a name it cannot use; don't hang on it.
        if (dialog == stillOpen && ++pollsStillOpen > 300) {
            records[known].stuck = true;
            dialog->reject();
        } else if (dialog != stillOpen) {
            stillOpen = dialog;
            pollsStillOpen = 0;
        }
        return;
    }

    SeenDialog seen;
    seen.className = QString::fromLatin1(dialog->metaObject()->className());
    seen.title = dialog->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        seen.text = box->text();
        seen.details = box->detailedText();
    }
    seen.parent = dialog->parentWidget();
    records.append(seen);
    handled.append(dialog);

    const Answer answer = answers.isEmpty() ? Answer() : answers.dequeue();
    // Not from this timer: a dialog that the closing opens (a question before
    // overwriting) needs the timer free to answer it.
    QTimer::singleShot(0, dialog, [dialog, answer]() {
        const Close close = answer ? answer(dialog) : Close::reject;
        if (close == Close::accept)
            dialog->accept();
        else if (close == Close::reject)
            dialog->reject();
    });
}

QString MarkingTranslator::translate(const char *textContext, const char *sourceText, const char *,
                                     int) const
{
    if (qstrcmp(textContext, context) != 0)
        return QString();
    return QLatin1Char('<') + QLatin1String(sourceText) + QLatin1Char('>');
}

EdfFileSpec unrepairableFile()
{
    EdfFileSpec fileSpec = recorderFile();
    fileSpec.samplesPerRecord = {"0", "512"};
    return fileSpec;
}

QString qtPath(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

bool dropOn(QWidget *target, const QMimeData &data)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

std::unique_ptr<QMimeData> withUrls(const QList<QUrl> &urls)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}
