#pragma once

#include "edf_test_files.h"
#include "velmorant.h"

#include <QPointer>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <functional>

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
    QString text;               // a message box's text
    QWidget *parent = nullptr;
    bool stuck = false;         // it did not close when answered, and was rejected
};

// Answers the modal dialogs that a slot opens from a timer, so the slot can
// run to its end inside the test. Each dialog gets the next queued answer, or
// is rejected when none is left; the test asserts on what was seen afterwards.
class ModalAnswerer : public QObject
{
public:
    enum class Close { accept, reject };
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
    QPointer<QWidget> closing;
    int pollsWhileClosing = 0;
};

template <typename Widget>
Widget *child(const Velmorant &window, const char *name)
{
    return window.findChild<Widget *>(QString::fromLatin1(name));
}

// A file the repair refuses: no samples in the first signal.
EdfFileSpec unrepairableFile();

QString qtPath(const boost::filesystem::path &path);
