#pragma once

#include "app/run_entry.h"
#include "repair/engine/header_repair.h"
#include "ui_velmorant.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>

namespace velmorant {
class RunDetails;
class ThoroughOffer;
} // namespace velmorant

// The one window. It only turns what the user does into calls: the repair
// itself is the inherited HeaderRepair, and the outcome of a run is told in
// a single message box, which may offer to repair some files thoroughly.
class Velmorant : public QMainWindow, private velmorant::HeaderRepair
{
    Q_OBJECT

public:
    explicit Velmorant(QWidget *parent = nullptr);
    ~Velmorant() override;

private slots:
    // Connected by name in setupUi; connecting them again would run them twice.
    void on_cancelBt_clicked();
    void on_sourceEdit_textChanged(const QString &text);
    void on_desEdit_textChanged(const QString &text);
    void on_okBt_clicked();
    void on_selectDesFile_clicked();
    void on_selectSourceFile_clicked();
    void on_modeFile_clicked();
    void on_modeFolder_clicked();

private:
    QString buildFileList(velmorant::RunEntries &entries);
    QString repairFileList(const velmorant::RunEntries &entries, velmorant::ThoroughOffer &offer);
    void repairThoroughly(const velmorant::ThoroughOffer &offer);
    // Told, after each entry, its index and what became of it.
    using EntryDone = std::function<void(int index, const velmorant::FileOutcome &result)>;
    int repairEntries(const velmorant::RunEntries &entries, velmorant::RunDetails &details,
                      const EntryDone &done);
    std::size_t repairJobs(const std::vector<velmorant::RepairJob> &jobs, const BeforeFile &before,
                           const AfterFile &after);
    void resetForm();

    Ui::VelmorantClass ui;
    qint32 fileCount = 0;
    qint32 convertedCount = 0;
    QStringList fileList;

    // Lets the window tests read the run state that a run leaves behind.
    friend class VelmorantTestAccess;
};
