#pragma once

#include <QLineEdit>
#include <QObject>
#include <QRadioButton>
#include <QWidget>

namespace velmorant {

// Takes one local file or folder dropped anywhere on the window. A file
// selects file mode with it as the source, and the destination follows as
// when the source is typed; a folder selects folder mode with it as the
// source folder. A mode changes as by a click on its button, which clears
// the form. Anything else (text, several items, an address that is not a
// local path) goes where it went before: text into a path field, the rest
// nowhere.
class DropTarget : public QObject
{
public:
    DropTarget(QWidget *window, QRadioButton *fileMode, QRadioButton *folderMode,
               QLineEdit *source);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void take(const QString &path, bool folder);

    QRadioButton *fileMode;
    QRadioButton *folderMode;
    QLineEdit *source;
};

} // namespace velmorant
