#include "app/velmorant.h"

#include "repair/plan/run_plan.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace {

// The destination that follows a source in file mode, as the command line
// derives it; all of the text, a NUL too, goes there and back.
QString derivedDestination(const QString &source)
{
    return QString::fromStdString(velmorant::derivedDestination(source.toUtf8().toStdString()));
}

const QFileDialog::Options folderOptions
    = QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks;

} // namespace

void Velmorant::on_cancelBt_clicked()
{
    resetForm();
    close();
}

void Velmorant::on_sourceEdit_textChanged(const QString &)
{
    if (ui.modeFile->isChecked())
        ui.desEdit->setText(derivedDestination(ui.sourceEdit->text()));
}

void Velmorant::on_desEdit_textChanged(const QString &)
{
    // A destination typed by hand is simply kept.
}

void Velmorant::on_selectSourceFile_clicked()
{
    const QString startFolder = QCoreApplication::applicationDirPath();
    const QString chosen = ui.modeFile->isChecked()
        ? QFileDialog::getOpenFileName(nullptr, tr("Choose an Edf file to convert"), startFolder,
                                       tr("Edf File (*.edf)"))
        : QFileDialog::getExistingDirectory(this, tr("Choose an Edf Directory to convert"),
                                            startFolder, folderOptions);
    ui.sourceEdit->setText(chosen);
    // Choosing the file the field already shows still replaces a typed destination.
    if (ui.modeFile->isChecked())
        ui.desEdit->setText(derivedDestination(chosen));
}

void Velmorant::on_selectDesFile_clicked()
{
    const QString chosen = ui.modeFile->isChecked()
        ? QFileDialog::getSaveFileName(this, QStringLiteral("Choose a filename to save under"),
                                       QCoreApplication::applicationDirPath()
                                           + QStringLiteral("/ConvertFiles"),
                                       QStringLiteral("Data File (*.edf)"))
        : QFileDialog::getExistingDirectory(this, tr("Choose an Edf Directory to save under"),
                                            QCoreApplication::applicationDirPath(), folderOptions);
    ui.desEdit->setText(chosen);
}

void Velmorant::on_modeFile_clicked()
{
    ui.modeFolder->setChecked(!ui.modeFile->isChecked());
    resetForm();
}

void Velmorant::on_modeFolder_clicked()
{
    ui.modeFile->setChecked(!ui.modeFolder->isChecked());
    resetForm();
}

void Velmorant::resetForm()
{
    ui.desEdit->setText(QString());
    // In file mode this also sets the destination to "Fixed.edf" when the source held text.
    ui.sourceEdit->setText(QString());
    fileCount = 0;
    convertedCount = 0;
    fileList = QStringList();
}
