#pragma once

#include <QObject>
#include <QProgressDialog>
#include <QString>

#include <cstdint>

namespace velmorant {

// Shows how a run is getting on once it has lasted about a second: file i of
// n, its name and how far its copy is, with Cancel. The run stays on the GUI
// thread, so the copy's reports are where the window gets to paint; the
// dialog is window-modal, so nothing in the window can start a second run.
// Before it shows, the window paints but takes no input, and nothing
// dropped on it is taken: a drop would change the form under the run.
class RunProgress : public QObject
{
public:
    RunProgress(QWidget *window, int files);

    void startFile(int index, const QString &name);
    // The copy's report; false once the user has cancelled.
    bool copied(std::uintmax_t done, std::uintmax_t total);
    bool wasCancelled() const { return dialog.wasCanceled(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show(std::uintmax_t done, std::uintmax_t total);
    void keepWindowAlive();

    QProgressDialog dialog;
    int files;
    int index = 0;
    QString name;
};

} // namespace velmorant
