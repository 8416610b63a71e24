#pragma once

#include "app/velmorant.h"
#include "tests/support/edf_test_files.h"
#include "tests/support/scratch_dir.h"

#include <QDialog>
#include <QList>
#include <QMimeData>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QVector>
#include <QWidget>

#include <functional>
#include <memory>

// Reads the run state that the window keeps private.
class VelmorantTestAccess
{
public:
    static const QStringList &fileList(const Velmorant &window) { return window.fileList; }
    static int fileCount(const Velmorant &window) { return window.fileCount; }
    static int convertedCount(const Velmorant &window) { return window.convertedCount; }
};

// One modal dialog as it was seen before it was closed.
struct SeenDialog {
    QString className;
    QString title;
    QString text; // a message box's text
    QString details; // and its detailed text
    QWidget *parent = nullptr;
    bool stuck = false; // it did not close when answered, and was rejected
};

// Answers the modal dialogs that a slot opens, so the slot can run to its end
// inside the test; the test asserts on what was seen afterwards. A timer
// finds each dialog; its answer (the next queued one, or a rejection when none
// is left) runs from the dialog's own event loop, and closes the dialog in the
// same call, so that nothing the dialog does meanwhile can undo the answer.
class ModalAnswerer : public QObject
{
public:
    // What to do once the answer has looked at (and filled in) the dialog;
    // closedByAnswer when the answer closed it itself, say by clicking a button.
    enum class Close { accept, reject, closedByAnswer };
    using Answer = std::function<Close(QWidget *dialog)>;

    ModalAnswerer();
    void then(Answer answer) { answers.enqueue(std::move(answer)); }
    const QVector<SeenDialog> &seen() const { return records; }
    // The texts of the message boxes, in the order they appeared.
    QStringList messages() const;

private:
    void poll();

    QTimer timer;
    QQueue<Answer> answers;
    QVector<SeenDialog> records;
    // Parallel to records; a dialog that is gone reads as null.
    QList<QPointer<QDialog>> handled;
    QPointer<QDialog> stillOpen;
    int pollsStillOpen = 0;
};

// Marks every text it is asked to translate in one context: "<text>".
class MarkingTranslator : public QTranslator
{
public:
    explicit MarkingTranslator(const char *context) : context(context) { }
    bool isEmpty() const override { return false; }
    QString translate(const char *textContext, const char *sourceText, const char *disambiguation,
                      int n) const override;

private:
    const char *context;
};

template<typename Widget> Widget *child(const Velmorant &window, const char *name)
{
    return window.findChild<Widget *>(QString::fromLatin1(name));
}

// A file the repair refuses: no samples in the first signal.
EdfFileSpec unrepairableFile();

QString qtPath(const std::filesystem::path &path);

// Drags the data over the widget and drops it there; true when the drop was taken.
bool dropOn(QWidget *target, const QMimeData &data);
std::unique_ptr<QMimeData> withUrls(const QList<QUrl> &urls);
