#include "window_test_support.h"

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>

namespace fs = std::filesystem;
using namespace velmorant;

namespace {

const QString completed = QStringLiteral("Conversion completed");
const QString somethingWrong = QStringLiteral("Something wrong, please try again later");
const QString noFile = QStringLiteral("No file to convert.");

// The window, driven as a user would: choose the mode, fill the fields, press OK.
class Run
{
public:
    Run() { window.show(); }

    void folderMode() { child<QRadioButton>(window, "modeFolder")->click(); }
    void fileMode() { child<QRadioButton>(window, "modeFile")->click(); }

    // The source first: in file mode it decides the destination's default.
    void fill(const QString &source, const QString &destination)
    {
        child<QLineEdit>(window, "sourceEdit")->setText(source);
        child<QLineEdit>(window, "desEdit")->setText(destination);
    }

    // Presses OK and returns the texts of the message boxes it showed.
    QStringList ok()
    {
        ModalAnswerer answerer;
        child<QPushButton>(window, "okBt")->click();
        lastDialogs = answerer.seen();
        return answerer.messages();
    }

    // The lines of the details the last message offered.
    QStringList details() const
    {
        return lastDialogs.isEmpty()
            ? QStringList()
            : lastDialogs.last().details.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QStringList fileList() const { return VelmorantTestAccess::fileList(window); }
    int fileCount() const { return VelmorantTestAccess::fileCount(window); }
    int convertedCount() const { return VelmorantTestAccess::convertedCount(window); }

    Velmorant window;
    QVector<SeenDialog> lastDialogs;
};

void writeEdf(const fs::path &path, const EdfFileSpec &fileSpec)
{
    writeBytes(path, buildEdf(fileSpec));
}

// Why the engine itself refuses such a file, in its words.
QString engineWords(const EdfFileSpec &fileSpec)
{
    ScratchDir scratch;
    writeEdf(scratch / "a.edf", fileSpec);
    HeaderRepair repair;
    repair.repairHeader((scratch / "a.edf").string(), (scratch / "b.edf").string());
    return QString::fromStdString(describe(repair.lastFailure()));
}

} // namespace

class ConversionRunTest : public QObject
{
    Q_OBJECT

private slots:
    void fileModeRepairsOneFile();
    void fileModeTakesAnyEnding();
    void fileModeWithEmptyFieldsFails();
    void outcomeBoxHasNoParentAndOnlyOk();
    void folderModeListsEdfEntriesOnly();
    void folderModeOneFileSaysNoCounts();
    void folderModeCountsRepairedFiles_data();
    void folderModeCountsRepairedFiles();
    void repairedFileThatReadersStillRefuseIsNamed();
    void cancelStopsALongRunAndKeepsCompleteFiles();
    void folderModeOnRegularFileFindsNothing();
    void folderModeWithEmptySourceNeverListsWorkingDirectory();
    void subFolderNamedEdfCountsAsNotRepaired();
    void sourceFolderEndingInSlash();
    void destinationFolderMissing();
    void sameFolderRepairsNothingAndKeepsSources();
    void nonAsciiFolderNames();
    void secondRunCarriesNothingOver();
};

void ConversionRunTest::fileModeRepairsOneFile()
{
    ScratchDir scratch;
    writeEdf(scratch / "rec.edf", recorderFile());
    Run run;
    run.fill(qtPath(scratch / "rec.edf"), qtPath(scratch / "out.edf"));

    QCOMPARE(run.ok(), QStringList{completed});
    QCOMPARE(readBytes(scratch / "out.edf"), buildEdf(repairedRecorderFile()));
    QCOMPARE(readBytes(scratch / "rec.edf"), buildEdf(recorderFile()));
    QCOMPARE(run.fileList(), QStringList{qtPath(scratch / "rec.edf")});
    QCOMPARE(run.fileCount(), 1);
    QCOMPARE(run.convertedCount(), 1);
}

void ConversionRunTest::fileModeTakesAnyEnding()
{
    ScratchDir scratch;
    writeEdf(scratch / "rec.dat", recorderFile());
    Run run;
    run.fill(qtPath(scratch / "rec.dat"), qtPath(scratch / "out"));

    QCOMPARE(run.ok(), QStringList{completed});
    QCOMPARE(readBytes(scratch / "out"), buildEdf(repairedRecorderFile()));
}

void ConversionRunTest::fileModeWithEmptyFieldsFails()
{
    Run run;
    run.fill(QString(), QString());
    QCOMPARE(run.ok(), QStringList{somethingWrong});
    QCOMPARE(run.fileList(), QStringList{QString()});
    QCOMPARE(run.fileCount(), 1);
    QCOMPARE(run.convertedCount(), 0);
}

void ConversionRunTest::outcomeBoxHasNoParentAndOnlyOk()
{
    Run run;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::Critical;
    ModalAnswerer answerer;
    answerer.then([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        buttons = box->standardButtons();
        icon = box->icon();
        return ModalAnswerer::Close::accept;
    });
    run.fill(QString(), QString());
    child<QPushButton>(run.window, "okBt")->click();

    // One box per click: a slot connected twice would show two.
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen()[0].parent, nullptr);
    QCOMPARE(answerer.seen()[0].title, QString());
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(icon, QMessageBox::NoIcon);
}

void ConversionRunTest::folderModeListsEdfEntriesOnly()
{
    ScratchDir source;
    ScratchDir destination;
    writeEdf(source / "a.edf", recorderFile());
    writeEdf(source / "B.EDF", recorderFile());
    writeBytes(source / "c.txt", "not a recording");
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()), qtPath(destination.path()));

    QCOMPARE(run.ok(), QStringList{completed + QStringLiteral(". 2/2 files")});
    QCOMPARE(run.fileList(), (QStringList{QStringLiteral("a.edf"), QStringLiteral("B.EDF")}));
    QCOMPARE(destination.entries(), (std::vector<std::string>{"B.EDF", "a.edf"}));
    QCOMPARE(readBytes(destination / "a.edf"), buildEdf(repairedRecorderFile()));
    QCOMPARE(readBytes(destination / "B.EDF"), buildEdf(repairedRecorderFile()));
    QCOMPARE(readBytes(source / "c.txt"), std::string("not a recording"));
}

void ConversionRunTest::folderModeOneFileSaysNoCounts()
{
    ScratchDir source;
    ScratchDir destination;
    writeEdf(source / "only.edf", recorderFile());
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()), qtPath(destination.path()));

    QCOMPARE(run.ok(), QStringList{completed});
    QCOMPARE(readBytes(destination / "only.edf"), buildEdf(repairedRecorderFile()));
}

void ConversionRunTest::folderModeCountsRepairedFiles_data()
{
    QTest::addColumn<int>("repairable");
    QTest::addColumn<QString>("message");
    QTest::newRow("two of three") << 2 << completed + QStringLiteral(". 2/3 files");
    QTest::newRow("none of three") << 0 << somethingWrong;
    QTest::newRow("all three") << 3 << completed + QStringLiteral(". 3/3 files");
}

void ConversionRunTest::folderModeCountsRepairedFiles()
{
    QFETCH(int, repairable);
    QFETCH(QString, message);
    ScratchDir source;
    ScratchDir destination;
    const std::vector<std::string> names{"f1.edf", "f2.edf", "f3.edf"};
    for (int i = 0; i < 3; ++i)
        writeEdf(source / names[i], i < repairable ? recorderFile() : unrepairableFile());
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()), qtPath(destination.path()));

    QCOMPARE(run.ok(), QStringList{message});
    QCOMPARE(run.fileCount(), 3);
    QCOMPARE(run.convertedCount(), repairable);
    QCOMPARE(destination.entries(),
             std::vector<std::string>(names.begin(), names.begin() + repairable));
    // Each file that was not repaired, by name, with the engine's reason.
    const QStringList details = run.details();
    QCOMPARE(details.size(), 3 - repairable);
    for (int i = repairable; i < 3; ++i) {
        QVERIFY(details[i - repairable].startsWith(QString::fromStdString(names[i]) + ':'));
        QVERIFY(details[i - repairable].endsWith(engineWords(unrepairableFile())));
    }
}

void ConversionRunTest::repairedFileThatReadersStillRefuseIsNamed()
{
    ScratchDir scratch;
    EdfFileSpec uneven = recorderFile();
    uneven.dataRecords = "1000"; // 1000 / 512 gives 1 record; 2 are stored
    uneven.storedRecords = 2;
    writeEdf(scratch / "rec.edf", uneven);
    Run run;
    run.fill(qtPath(scratch / "rec.edf"), qtPath(scratch / "out.edf"));

    QCOMPARE(run.ok(), QStringList{completed});
    QCOMPARE(run.details().size(), 1);
    QVERIFY(run.details()[0].startsWith(qtPath(scratch / "rec.edf") + ':'));
    QVERIFY(run.details()[0].contains(QStringLiteral("file size")));
}

void ConversionRunTest::cancelStopsALongRunAndKeepsCompleteFiles()
{
    ScratchDir source;
    ScratchDir destination;
    writeEdf(source / "a.edf", recorderFile());
    // Sparse: it takes many seconds to copy and nothing to store.
    writeEdf(source / "b.edf", recorderFile());
    fs::resize_file(source / "b.edf", std::uintmax_t(8) << 30);
    writeEdf(source / "c.edf", recorderFile());
    writeBytes(destination / "b.edf", "an earlier repair");
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()), qtPath(destination.path()));

    ModalAnswerer answerer;
    QString progress;
    answerer.then([&](QWidget *dialog) {
        progress = qobject_cast<QProgressDialog *>(dialog)->labelText();
        dialog->findChild<QPushButton *>()->click();
        return ModalAnswerer::Close::closedByAnswer;
    });
    // Before the progress shows, a drop would change the form under the run.
    bool dropTaken = true;
    QTimer::singleShot(100, [&] {
        dropTaken = dropOn(&run.window, *withUrls({QUrl::fromLocalFile(qtPath(source / "a.edf"))}));
    });
    child<QPushButton>(run.window, "okBt")->click();

    QVERIFY(!dropTaken);
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen()[0].parent, &run.window);
    QVERIFY(progress.contains(QStringLiteral("b.edf")));
    QCOMPARE(answerer.messages(), QStringList{completed + QStringLiteral(". 1/3 files")});
    QCOMPARE(destination.entries(), (std::vector<std::string>{"a.edf", "b.edf"}));
    QCOMPARE(readBytes(destination / "b.edf"), std::string("an earlier repair"));
    const QStringList details = answerer.seen()[1].details.split(QLatin1Char('\n'));
    QCOMPARE(details.size(), 2);
    QVERIFY(details[0].startsWith(QStringLiteral("b.edf:")));
    QVERIFY(
        details[0].endsWith(QString::fromStdString(describe({RepairStep::cancelled, {}, {}, {}}))));
    QVERIFY(details[1].contains(QLatin1Char('1')));
}

void ConversionRunTest::folderModeOnRegularFileFindsNothing()
{
    ScratchDir scratch;
    ScratchDir destination;
    writeEdf(scratch / "rec.edf", recorderFile());
    Run run;
    run.folderMode();
    run.fill(qtPath(scratch / "rec.edf"), qtPath(destination.path()));

    QCOMPARE(run.ok(), QStringList{noFile});
    QCOMPARE(run.fileCount(), 0);
    QVERIFY(destination.entries().empty());
}

void ConversionRunTest::folderModeWithEmptySourceNeverListsWorkingDirectory()
{
    ScratchDir working;
    ScratchDir destination;
    writeEdf(working / "here.edf", recorderFile());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(qtPath(working.path())));
    Run run;
    run.folderMode();
    run.fill(QString(), qtPath(destination.path()));
    const QStringList messages = run.ok();
    QDir::setCurrent(previous);

    QCOMPARE(messages, QStringList{noFile});
    QVERIFY(run.fileList().isEmpty());
    QVERIFY(destination.entries().empty());
}

void ConversionRunTest::subFolderNamedEdfCountsAsNotRepaired()
{
    ScratchDir source;
    ScratchDir destination;
    writeEdf(source / "a.edf", recorderFile());
    fs::create_directory(source / "x.edf");
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()), qtPath(destination.path()));

    QCOMPARE(run.ok(), QStringList{completed + QStringLiteral(". 1/2 files")});
    QCOMPARE(run.fileList(), (QStringList{QStringLiteral("a.edf"), QStringLiteral("x.edf")}));
    QCOMPARE(destination.entries(), std::vector<std::string>{"a.edf"});
}

void ConversionRunTest::sourceFolderEndingInSlash()
{
    ScratchDir source;
    ScratchDir destination;
    writeEdf(source / "a.edf", recorderFile());
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()) + QLatin1Char('/'),
             qtPath(destination.path()) + QLatin1Char('/'));

    QCOMPARE(run.ok(), QStringList{completed});
    QCOMPARE(readBytes(destination / "a.edf"), buildEdf(repairedRecorderFile()));
}

void ConversionRunTest::destinationFolderMissing()
{
    ScratchDir source;
    writeEdf(source / "a.edf", recorderFile());
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()), qtPath(source / "missing"));

    QCOMPARE(run.ok(), QStringList{somethingWrong});
    QVERIFY(!fs::exists(source / "missing"));
    QCOMPARE(source.entries(), std::vector<std::string>{"a.edf"});
}

void ConversionRunTest::sameFolderRepairsNothingAndKeepsSources()
{
    ScratchDir folder;
    writeEdf(folder / "a.edf", recorderFile());
    writeEdf(folder / "b.edf", soundFile());
    Run run;
    run.folderMode();
    // The same folder under two spellings.
    run.fill(qtPath(folder.path()), qtPath(folder.path()) + QStringLiteral("/."));

    QCOMPARE(run.ok(), QStringList{somethingWrong});
    QCOMPARE(run.convertedCount(), 0);
    QCOMPARE(folder.entries(), (std::vector<std::string>{"a.edf", "b.edf"}));
    QCOMPARE(readBytes(folder / "a.edf"), buildEdf(recorderFile()));
    QCOMPARE(readBytes(folder / "b.edf"), buildEdf(soundFile()));
}

void ConversionRunTest::nonAsciiFolderNames()
{
    ScratchDir scratch;
    const fs::path source = scratch / u8"Aufnahmen März";
    const fs::path destination = scratch / u8"репарированные";
    fs::create_directory(source);
    fs::create_directory(destination);
    writeEdf(source / u8"nächte.edf", recorderFile());
    Run run;
    run.folderMode();
    run.fill(qtPath(source), qtPath(destination));

    QCOMPARE(run.ok(), QStringList{completed});
    QCOMPARE(readBytes(destination / u8"nächte.edf"), buildEdf(repairedRecorderFile()));
}

void ConversionRunTest::secondRunCarriesNothingOver()
{
    ScratchDir source;
    ScratchDir destination;
    writeEdf(source / "f1.edf", recorderFile());
    writeEdf(source / "f2.edf", unrepairableFile());
    writeEdf(source / "f3.edf", recorderFile());
    Run run;
    run.folderMode();
    run.fill(qtPath(source.path()), qtPath(destination.path()));
    QCOMPARE(run.ok(), QStringList{completed + QStringLiteral(". 2/3 files")});

    fs::remove(source / "f3.edf");
    QCOMPARE(run.ok(), QStringList{completed + QStringLiteral(". 1/2 files")});
    QCOMPARE(run.fileList(), (QStringList{QStringLiteral("f1.edf"), QStringLiteral("f2.edf")}));

    ScratchDir empty;
    run.fill(qtPath(empty.path()), qtPath(destination.path()));
    QCOMPARE(run.ok(), QStringList{noFile});
    QCOMPARE(run.fileCount(), 0);
    QCOMPARE(run.convertedCount(), 0);
    QVERIFY(run.fileList().isEmpty());
}

QTEST_MAIN(ConversionRunTest)
#include "conversion_run_test.moc"
