#include "tests/app/window_test_support.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>

namespace fs = std::filesystem;
using namespace velmorant;

namespace {

// A file or folder dialog as the window opened it.
struct FileDialogSeen {
    QString title;
    QWidget *parent = nullptr;
    QStringList nameFilters;
    QString directory;
    QStringList selectedFiles;
    QFileDialog::Options options;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
};

// Records the dialog, then chooses the path, or cancels when it is null.
// The name field is Qt's own widget dialog's, which Qt uses whenever the
// platform offers no native one (offscreen, a bare X server).
ModalAnswerer::Answer answerFileDialog(FileDialogSeen &seen, const QString &path)
{
    return [&seen, path](QWidget *widget) {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        if (!dialog)
            return ModalAnswerer::Close::reject;
        seen.title = dialog->windowTitle();
        seen.parent = dialog->parentWidget();
        seen.nameFilters = dialog->nameFilters();
        seen.directory = dialog->directory().absolutePath();
        seen.selectedFiles = dialog->selectedFiles();
        seen.options = dialog->options();
        seen.fileMode = dialog->fileMode();
        seen.acceptMode = dialog->acceptMode();
        if (path.isNull())
            return ModalAnswerer::Close::reject;
        // As a user types it; selectFile() leaves a focused name field alone.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!name)
            return ModalAnswerer::Close::reject;
        name->setText(path);
        return ModalAnswerer::Close::accept;
    };
}

class Window
{
public:
    Window() { window.show(); }

    QLineEdit *source() const { return child<QLineEdit>(window, "sourceEdit"); }
    QLineEdit *destination() const { return child<QLineEdit>(window, "desEdit"); }
    QRadioButton *modeFile() const { return child<QRadioButton>(window, "modeFile"); }
    QRadioButton *modeFolder() const { return child<QRadioButton>(window, "modeFolder"); }
    QPushButton *button(const char *name) const { return child<QPushButton>(window, name); }

    // Clicks a Select button and answers its dialog with the path (null: cancel).
    FileDialogSeen select(const char *button, const QString &path)
    {
        FileDialogSeen seen;
        ModalAnswerer answerer;
        answerer.then(answerFileDialog(seen, path));
        child<QPushButton>(window, button)->click();
        dialogs = answerer.seen();
        return seen;
    }

    // Runs OK on a source that yields one entry and repairs nothing, so
    // that the run leaves state behind for clearing to remove.
    void runOnce(const ScratchDir &scratch)
    {
        writeBytes(scratch / "a.edf", "not a recording");
        source()->setText(modeFile()->isChecked() ? qtPath(scratch / "a.edf")
                                                  : qtPath(scratch.path()));
        destination()->setText(qtPath(scratch / "missing" / "a.edf"));
        ModalAnswerer answerer;
        button("okBt")->click();
    }

    bool runStateCleared() const
    {
        return VelmorantTestAccess::fileCount(window) == 0
            && VelmorantTestAccess::convertedCount(window) == 0
            && VelmorantTestAccess::fileList(window).isEmpty();
    }

    Velmorant window;
    QVector<SeenDialog> dialogs;
};

const QFileDialog::Options folderOptions
    = QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks;

} // namespace

class WindowInteractionsTest : public QObject
{
    Q_OBJECT

private slots:
    void typingSourceKeyByKeyDerivesDestination();
    void derivedDestination_data();
    void derivedDestination();
    void typingInFolderModeLeavesDestination();
    void typedDestinationKeptUntilSourceChanges();
    void choosingSourceFile();
    void choosingSameSourceFileReplacesTypedDestination();
    void cancellingSourceFileDialog_data();
    void cancellingSourceFileDialog();
    void choosingFolder_data();
    void choosingFolder();
    void cancellingSourceFolderDialog();
    void choosingDestinationFile();
    void choosingExistingDestinationFileAsksFirst();
    void cancellingDestinationDialog_data();
    void cancellingDestinationDialog();
    void dialogTextsGoThroughWindowContext();
    void modeClicks_data();
    void modeClicks();
    void cancelOnEmptyFormClosesWindow();
    void cancelClearsForm();
    void droppingAFileOrFolderChoosesModeAndSource();
    void droppingAnythingElseChangesNothing_data();
    void droppingAnythingElseChangesNothing();
};

void WindowInteractionsTest::typingSourceKeyByKeyDerivesDestination()
{
    Window w;
    QStringList seen;
    for (const char key : QByteArray("a.edf")) {
        QTest::keyClick(w.source(), key);
        seen << w.destination()->text();
    }
    QCOMPARE(seen,
             (QStringList{"aFixed.edf", "a.Fixed.edf", "a.eFixed.edf", "Fixed.edf", "aFixed.edf"}));
    QCOMPARE(w.source()->text(), QStringLiteral("a.edf"));
}

void WindowInteractionsTest::derivedDestination_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::newRow("edf") << "D:/rec/a.edf"
                         << "D:/rec/aFixed.edf";
    QTest::newRow("upper case") << "D:/rec/A.EDF"
                                << "D:/rec/AFixed.edf";
    QTest::newRow("no extension") << "D:/rec/data"
                                  << "D:/rec/Fixed.edf";
    QTest::newRow("four characters") << "abcd"
                                     << "Fixed.edf";
    QTest::newRow("three characters") << "abc"
                                      << "abcFixed.edf";
    QTest::newRow("non-ASCII") << QString::fromUtf8("/tmp/Schläfer.edf")
                               << QString::fromUtf8("/tmp/SchläferFixed.edf");
}

void WindowInteractionsTest::derivedDestination()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    Window w;
    w.source()->setText(source);
    QCOMPARE(w.destination()->text(), destination);
}

void WindowInteractionsTest::typingInFolderModeLeavesDestination()
{
    Window w;
    w.modeFolder()->click();
    w.destination()->setText(QStringLiteral("/out"));
    for (const char key : QByteArray("/in.edf")) {
        QTest::keyClick(w.source(), key);
        QCOMPARE(w.destination()->text(), QStringLiteral("/out"));
    }
    QCOMPARE(w.source()->text(), QStringLiteral("/in.edf"));
}

void WindowInteractionsTest::typedDestinationKeptUntilSourceChanges()
{
    Window w;
    w.source()->setText(QStringLiteral("/rec/a.edf"));
    w.destination()->clear();
    QTest::keyClicks(w.destination(), "/mine.edf");
    QCOMPARE(w.destination()->text(), QStringLiteral("/mine.edf"));

    // Setting the text the field already holds is no change.
    w.source()->setText(QStringLiteral("/rec/a.edf"));
    QCOMPARE(w.destination()->text(), QStringLiteral("/mine.edf"));

    QTest::keyClick(w.source(), Qt::Key_Backspace);
    // "/rec/a.ed" less four characters.
    QCOMPARE(w.destination()->text(), QStringLiteral("/rec/Fixed.edf"));
}

void WindowInteractionsTest::choosingSourceFile()
{
    ScratchDir scratch;
    writeBytes(scratch / "rec.edf", buildEdf(recorderFile()));
    const QString path = qtPath(scratch / "rec.edf");
    Window w;

    const FileDialogSeen seen = w.select("selectSourceFile", path);
    QCOMPARE(w.dialogs.size(), 1);
    QCOMPARE(w.dialogs[0].className, QStringLiteral("QFileDialog"));
    QCOMPARE(seen.title, QStringLiteral("Choose an Edf file to convert"));
    QCOMPARE(seen.parent, nullptr);
    QCOMPARE(seen.nameFilters, QStringList{"Edf File (*.edf)"});
    QCOMPARE(seen.directory, QCoreApplication::applicationDirPath());
    QCOMPARE(seen.fileMode, QFileDialog::ExistingFile);
    QCOMPARE(seen.acceptMode, QFileDialog::AcceptOpen);
    QVERIFY(!seen.options.testFlag(QFileDialog::ShowDirsOnly));

    QCOMPARE(w.source()->text(), path);
    QCOMPARE(w.destination()->text(), qtPath(scratch / "recFixed.edf"));
    // Choosing converts nothing.
    QCOMPARE(scratch.entries(), std::vector<std::string>{"rec.edf"});
}

void WindowInteractionsTest::choosingSameSourceFileReplacesTypedDestination()
{
    ScratchDir scratch;
    writeBytes(scratch / "rec.edf", buildEdf(recorderFile()));
    const QString path = qtPath(scratch / "rec.edf");
    Window w;
    w.source()->setText(path);
    w.destination()->setText(QStringLiteral("/typed/by/hand.edf"));

    w.select("selectSourceFile", path);
    QCOMPARE(w.source()->text(), path);
    QCOMPARE(w.destination()->text(), qtPath(scratch / "recFixed.edf"));
}

void WindowInteractionsTest::cancellingSourceFileDialog_data()
{
    QTest::addColumn<QString>("sourceBefore");
    QTest::newRow("source filled") << "/rec/a.edf";
    QTest::newRow("source empty") << "";
}

void WindowInteractionsTest::cancellingSourceFileDialog()
{
    QFETCH(QString, sourceBefore);
    Window w;
    w.source()->setText(sourceBefore);
    w.destination()->setText(QStringLiteral("/typed.edf"));

    w.select("selectSourceFile", QString());
    QCOMPARE(w.dialogs.size(), 1);
    QCOMPARE(w.source()->text(), QString());
    QCOMPARE(w.destination()->text(), QStringLiteral("Fixed.edf"));
}

void WindowInteractionsTest::choosingFolder_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::newRow("source") << "selectSourceFile"
                            << "Choose an Edf Directory to convert";
    QTest::newRow("destination") << "selectDesFile"
                                 << "Choose an Edf Directory to save under";
}

void WindowInteractionsTest::choosingFolder()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    const bool forSource = button == QLatin1String("selectSourceFile");
    ScratchDir scratch;
    Window w;
    w.modeFolder()->click();
    QLineEdit *chosen = forSource ? w.source() : w.destination();
    QLineEdit *other = forSource ? w.destination() : w.source();
    other->setText(QStringLiteral("/other"));

    const FileDialogSeen seen = w.select(qPrintable(button), qtPath(scratch.path()));
    QCOMPARE(w.dialogs.size(), 1);
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.parent, &w.window);
    QCOMPARE(seen.directory, QCoreApplication::applicationDirPath());
    QCOMPARE(seen.options & folderOptions, folderOptions);

    QCOMPARE(chosen->text(), qtPath(scratch.path()));
    QCOMPARE(other->text(), QStringLiteral("/other"));
}

void WindowInteractionsTest::cancellingSourceFolderDialog()
{
    Window w;
    w.modeFolder()->click();
    w.source()->setText(QStringLiteral("/in"));
    w.destination()->setText(QStringLiteral("/out"));

    w.select("selectSourceFile", QString());
    QCOMPARE(w.dialogs.size(), 1);
    QCOMPARE(w.source()->text(), QString());
    QCOMPARE(w.destination()->text(), QStringLiteral("/out"));
}

void WindowInteractionsTest::choosingDestinationFile()
{
    ScratchDir scratch;
    const QString startFolder = QCoreApplication::applicationDirPath();
    Window w;
    w.source()->setText(QStringLiteral("/rec/a.edf"));

    const FileDialogSeen seen = w.select("selectDesFile", qtPath(scratch / "new.edf"));
    QCOMPARE(w.dialogs.size(), 1);
    QCOMPARE(seen.title, QStringLiteral("Choose a filename to save under"));
    QCOMPARE(seen.parent, &w.window);
    QCOMPARE(seen.nameFilters, QStringList{"Data File (*.edf)"});
    QCOMPARE(seen.acceptMode, QFileDialog::AcceptSave);
    // The missing ConvertFiles folder is offered as a name in the application's folder.
    QCOMPARE(seen.directory, startFolder);
    QCOMPARE(seen.selectedFiles, QStringList{startFolder + QStringLiteral("/ConvertFiles")});
    QVERIFY(!QFileInfo::exists(startFolder + QStringLiteral("/ConvertFiles")));

    QCOMPARE(w.destination()->text(), qtPath(scratch / "new.edf"));
    QCOMPARE(w.source()->text(), QStringLiteral("/rec/a.edf"));
    QVERIFY(scratch.entries().empty());
}

void WindowInteractionsTest::choosingExistingDestinationFileAsksFirst()
{
    ScratchDir scratch;
    writeBytes(scratch / "old.edf", "kept");
    Window w;
    FileDialogSeen seen;
    QString question;
    ModalAnswerer answerer;
    answerer.then(answerFileDialog(seen, qtPath(scratch / "old.edf")));
    answerer.then([&question](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (!box)
            return ModalAnswerer::Close::reject;
        question = box->text();
        box->button(QMessageBox::Yes)->click();
        return ModalAnswerer::Close::closedByAnswer;
    });
    w.button("selectDesFile")->click();

    QCOMPARE(answerer.seen().size(), 2);
    QVERIFY2(question.contains(QStringLiteral("already exists")), qPrintable(question));
    QCOMPARE(w.destination()->text(), qtPath(scratch / "old.edf"));
    QCOMPARE(readBytes(scratch / "old.edf"), std::string("kept"));
}

void WindowInteractionsTest::cancellingDestinationDialog_data()
{
    QTest::addColumn<bool>("folderMode");
    QTest::newRow("file mode") << false;
    QTest::newRow("folder mode") << true;
}

void WindowInteractionsTest::cancellingDestinationDialog()
{
    QFETCH(bool, folderMode);
    Window w;
    if (folderMode)
        w.modeFolder()->click();
    w.source()->setText(QStringLiteral("/in.edf"));
    w.destination()->setText(QStringLiteral("/out.edf"));

    w.select("selectDesFile", QString());
    QCOMPARE(w.dialogs.size(), 1);
    QCOMPARE(w.destination()->text(), QString());
    QCOMPARE(w.source()->text(), QStringLiteral("/in.edf"));
}

void WindowInteractionsTest::dialogTextsGoThroughWindowContext()
{
    MarkingTranslator windowContext("Velmorant");
    QCoreApplication::installTranslator(&windowContext);
    Window w;
    const FileDialogSeen openFile = w.select("selectSourceFile", QString());
    const FileDialogSeen saveFile = w.select("selectDesFile", QString());
    w.modeFolder()->click();
    const FileDialogSeen sourceFolder = w.select("selectSourceFile", QString());
    const FileDialogSeen destinationFolder = w.select("selectDesFile", QString());
    QCoreApplication::removeTranslator(&windowContext);

    QCOMPARE(openFile.title, QStringLiteral("<Choose an Edf file to convert>"));
    QCOMPARE(openFile.nameFilters, QStringList{"<Edf File (*.edf)>"});
    QCOMPARE(sourceFolder.title, QStringLiteral("<Choose an Edf Directory to convert>"));
    QCOMPARE(destinationFolder.title, QStringLiteral("<Choose an Edf Directory to save under>"));
    // The save dialog's texts are plain.
    QCOMPARE(saveFile.title, QStringLiteral("Choose a filename to save under"));
    QCOMPARE(saveFile.nameFilters, QStringList{"Data File (*.edf)"});
}

void WindowInteractionsTest::modeClicks_data()
{
    QTest::addColumn<bool>("startInFolderMode");
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destinationAfter");

    for (const bool folder : {false, true}) {
        const QString before = folder ? QStringLiteral("folder") : QStringLiteral("file");
        for (const QString &click : {QStringLiteral("modeFile"), QStringLiteral("modeFolder")}) {
            const bool toFile = click == QLatin1String("modeFile");
            const QString name = before + QStringLiteral(", ") + click;
            QTest::newRow(qPrintable(name + QStringLiteral(", filled")))
                << folder << click << "/rec/a.edf" << (toFile ? "Fixed.edf" : "");
            QTest::newRow(qPrintable(name + QStringLiteral(", empty"))) << folder << click << ""
                                                                        << "";
        }
    }
}

void WindowInteractionsTest::modeClicks()
{
    QFETCH(bool, startInFolderMode);
    QFETCH(QString, click);
    QFETCH(QString, source);
    QFETCH(QString, destinationAfter);
    ScratchDir scratch;
    Window w;
    if (startInFolderMode)
        w.modeFolder()->click();
    w.runOnce(scratch);
    w.source()->setText(source);
    w.destination()->setText(QStringLiteral("/out.edf"));
    QVERIFY(!w.runStateCleared());

    child<QRadioButton>(w.window, qPrintable(click))->click();
    const bool fileMode = click == QLatin1String("modeFile");
    QCOMPARE(w.modeFile()->isChecked(), fileMode);
    QCOMPARE(w.modeFolder()->isChecked(), !fileMode);
    QCOMPARE(w.source()->text(), QString());
    QCOMPARE(w.destination()->text(), destinationAfter);
    QVERIFY(w.runStateCleared());
}

void WindowInteractionsTest::cancelOnEmptyFormClosesWindow()
{
    Window w;
    QVERIFY(w.window.isVisible());
    // Clicked inside a running event loop, as in the program: closing the
    // last window must end the loop.
    QTimer::singleShot(0, w.button("cancelBt"), &QPushButton::click);
    bool loopEnded = true;
    QTimer backstop;
    backstop.setSingleShot(true);
    connect(&backstop, &QTimer::timeout, [&loopEnded] {
        loopEnded = false;
        QCoreApplication::exit(1);
    });
    backstop.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(loopEnded);
    QVERIFY(!w.window.isVisible());
    QCOMPARE(w.source()->text(), QString());
    QCOMPARE(w.destination()->text(), QString());
}

void WindowInteractionsTest::cancelClearsForm()
{
    ScratchDir scratch;
    Window w;
    w.runOnce(scratch);
    w.source()->setText(QStringLiteral("/rec/a.edf"));
    w.destination()->setText(QStringLiteral("/typed.edf"));
    w.button("cancelBt")->click();

    QVERIFY(!w.window.isVisible());
    QCOMPARE(w.source()->text(), QString());
    // Emptying the source in file mode derives the destination once more.
    QCOMPARE(w.destination()->text(), QStringLiteral("Fixed.edf"));
    QVERIFY(w.runStateCleared());
    QVERIFY(w.modeFile()->isChecked());
}

void WindowInteractionsTest::droppingAFileOrFolderChoosesModeAndSource()
{
    ScratchDir scratch;
    writeBytes(scratch / "rec.edf", "x");
    const QString file = qtPath(scratch / "rec.edf");
    const QString folder = qtPath(scratch.path());
    Window w;
    w.modeFolder()->click();
    w.destination()->setText(QStringLiteral("typed"));

    // Onto a path field, which would otherwise take the address as text.
    QVERIFY(dropOn(w.destination(), *withUrls({QUrl::fromLocalFile(file)})));
    QVERIFY(w.modeFile()->isChecked());
    QCOMPARE(w.source()->text(), file);
    QCOMPARE(w.destination()->text(), qtPath(scratch / "recFixed.edf"));

    QVERIFY(dropOn(&w.window, *withUrls({QUrl::fromLocalFile(folder)})));
    QVERIFY(w.modeFolder()->isChecked());
    QCOMPARE(w.source()->text(), folder);
    QCOMPARE(w.destination()->text(), QString());
}

void WindowInteractionsTest::droppingAnythingElseChangesNothing_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("text");
    const QUrl here = QUrl::fromLocalFile(QDir::currentPath());
    QTest::newRow("two items") << QList<QUrl>{here, here} << QString();
    QTest::newRow("remote address")
        << QList<QUrl>{QUrl(QStringLiteral("https://example.org/a.edf"))} << QString();
    QTest::newRow("missing path") << QList<QUrl>{QUrl::fromLocalFile(QStringLiteral(
        "/no/such.edf"))} << QString();
    QTest::newRow("text") << QList<QUrl>() << QStringLiteral("/tmp");
}

void WindowInteractionsTest::droppingAnythingElseChangesNothing()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, text);
    const std::unique_ptr<QMimeData> data = withUrls(urls);
    if (!text.isEmpty())
        data->setText(text);
    Window w;
    w.source()->setText(QStringLiteral("kept.edf"));

    QVERIFY(!dropOn(&w.window, *data));
    QVERIFY(w.modeFile()->isChecked());
    QCOMPARE(w.source()->text(), QStringLiteral("kept.edf"));
    QCOMPARE(w.destination()->text(), QStringLiteral("keptFixed.edf"));
}

QTEST_MAIN(WindowInteractionsTest)
#include "window_interactions_test.moc"
