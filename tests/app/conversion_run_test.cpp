#include "tests/app/window_test_support.h"

#include "edf/wording/failure_text.h"
#include "repair/engine/file_check.h"

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
    const FileOutcome outcome
        = repair.repairFile({(scratch / "a.edf").string(), (scratch / "b.edf").string()});
    return QString::fromStdString(describe(outcome.failure));
}

EdfFileSpec soundWith(void (*change)(EdfFileSpec &))
{
    EdfFileSpec fileSpec = soundFile();
    change(fileSpec);
    return fileSpec;
}

// A folder as a window user brings it: each file, whether the run's message
// offers to repair it thoroughly, and words of what that would change.
struct OfferRow {
    std::string name;
    std::string bytes;
    bool offered;
    QString change;
};

std::vector<OfferRow> offerFolder()
{
    const std::string sound = buildEdf(soundFile());
    const auto unknownCount = [](EdfFileSpec &s) { s.dataRecords = "-1"; };
    const auto countInWords = [](EdfFileSpec &s) { s.dataRecords = "six"; };
    const auto accented = [](EdfFileSpec &s) { s.patient = "X M 01-JAN-1970 J\xE9r\xF4me"; };
    // Stopped early: one whole record of the four counted, and a cut one.
    EdfFileSpec stopped = recorderFile();
    stopped.dataRecords = "2048";
    stopped.storedRecords = 2;
    const std::string interrupted = buildEdf(stopped);
    return {
        {"a_sound.edf", sound, false, {}},
        {"b_recorder.edf", buildEdf(recorderFile()), false, {}},
        {"c_count_unknown.edf", buildEdf(soundWith(unknownCount)), true,
         QStringLiteral("number of data records \"-1      \" -> \"6       \"")},
        {"d_accented_name.edf", buildEdf(soundWith(accented)), true,
         QStringLiteral("patient identification changed")},
        {"e_last_record_cut.edf", sound.substr(0, sound.size() - 100), true,
         QStringLiteral("leaves out 1948 bytes after the last whole data record")},
        {"f_unrepairable.edf", buildEdf(unrepairableFile()), false, {}},
        {"g_count_not_a_number.edf", buildEdf(soundWith(countInWords)), true,
         QStringLiteral("number of data records \"six     \" -> \"6       \"")},
        {"h_interrupted_recorder.edf", interrupted.substr(0, interrupted.size() - 100), true,
         QStringLiteral("number of data records \"2048    \" -> \"1       \"")},
    };
}

// The indented lines under a file's line in the details.
QStringList linesUnder(const QString &details, const std::string &name)
{
    const QString head = QString::fromStdString(name) + ':';
    QStringList under;
    bool inFile = false;
    for (const QString &line : details.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char(' ')))
            inFile = line.startsWith(head);
        else if (inFile)
            under << line;
    }
    return under;
}

// Answers a run's message by pressing one of its buttons, after noting which it has.
ModalAnswerer::Answer press(const QString &button, QStringList *buttons = nullptr)
{
    return [=](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        for (QAbstractButton *b : box->buttons()) {
            // Show Details is not an answer.
            if (buttons && box->buttonRole(b) != QMessageBox::ActionRole)
                *buttons << b->text();
        }
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == button)
                b->click();
        }
        return ModalAnswerer::Close::closedByAnswer;
    };
}

const QString thoroughButton = QStringLiteral("Repair &Thoroughly");

// The window's run on a folder of rows, into an empty destination.
struct OfferRun {
    explicit OfferRun(std::vector<OfferRow> folder) : rows(std::move(folder))
    {
        for (const OfferRow &row : rows)
            writeBytes(source / row.name, row.bytes);
        run.folderMode();
        run.fill(qtPath(source.path()), qtPath(destination.path()));
    }

    // Presses OK and answers the dialogs that follow in turn.
    void ok(const QVector<ModalAnswerer::Answer> &answers)
    {
        ModalAnswerer answerer;
        for (const ModalAnswerer::Answer &answer : answers)
            answerer.then(answer);
        child<QPushButton>(run.window, "okBt")->click();
        seen = answerer.seen();
        messages = answerer.messages();
    }

    bool sound(const std::string &name) const
    {
        return checkFile((destination / name).string()).sound;
    }

    std::vector<OfferRow> rows;
    ScratchDir source;
    ScratchDir destination;
    Run run;
    QVector<SeenDialog> seen;
    QStringList messages;
};

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
    void offerNamesTheFilesTheThoroughRepairMakesSound();
    void thoroughRepairMakesTheOfferedFilesSound();
    void cancelledThoroughRunKeepsCompleteFilesOnly();
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
    // Named first; the offer of the thorough repair follows.
    QVERIFY(!run.details().isEmpty());
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
    const std::string unknownCount = offerFolder()[2].bytes;
    writeBytes(folder / "c.edf", unknownCount);
    Run run;
    run.folderMode();
    // The same folder under two spellings.
    run.fill(qtPath(folder.path()), qtPath(folder.path()) + QStringLiteral("/."));

    QCOMPARE(run.ok(), QStringList{somethingWrong});
    QCOMPARE(run.convertedCount(), 0);
    QCOMPARE(folder.entries(), (std::vector<std::string>{"a.edf", "b.edf", "c.edf"}));
    QCOMPARE(readBytes(folder / "a.edf"), buildEdf(recorderFile()));
    QCOMPARE(readBytes(folder / "b.edf"), buildEdf(soundFile()));
    QCOMPARE(readBytes(folder / "c.edf"), unknownCount);
    // The thorough repair would meet the same refusal: no offer.
    QCOMPARE(run.details().size(), 3);
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

void ConversionRunTest::offerNamesTheFilesTheThoroughRepairMakesSound()
{
    OfferRun folder(offerFolder());
    QStringList buttons;
    folder.ok({press(QStringLiteral("OK"), &buttons)});

    // OK declines: no second run, and the offered files stay as the usual run left them.
    QCOMPARE(folder.messages, QStringList{completed + QStringLiteral(". 6/8 files")});
    QCOMPARE(buttons, (QStringList{QStringLiteral("OK"), thoroughButton}));
    const QString details = folder.seen[0].details;
    for (const OfferRow &row : folder.rows) {
        const QStringList under = linesUnder(details, row.name);
        QVERIFY2((under.size() > 0) == row.offered, row.name.c_str());
        if (row.offered) {
            QVERIFY2(under.join('\n').contains(row.change), qPrintable(details));
            QVERIFY(!folder.sound(row.name));
        }
    }
    QVERIFY(!details.contains(QStringLiteral("J\\xE9r")));
}

void ConversionRunTest::thoroughRepairMakesTheOfferedFilesSound()
{
    OfferRun folder(offerFolder());
    folder.ok({press(thoroughButton), press(QStringLiteral("OK"))});

    QCOMPARE(folder.messages,
             (QStringList{completed + QStringLiteral(". 6/8 files"),
                          completed + QStringLiteral(". 5/5 files")}));
    const QString details = folder.seen[1].details;
    for (const OfferRow &row : folder.rows) {
        QCOMPARE(readBytes(folder.source / row.name), row.bytes);
        if (row.offered) {
            QVERIFY2(folder.sound(row.name), row.name.c_str());
            QVERIFY(details.contains(QString::fromStdString(row.name) + ": repaired thoroughly"));
        }
    }
    QCOMPARE(readBytes(folder.destination / "b_recorder.edf"), buildEdf(repairedRecorderFile()));
    QVERIFY(!fs::exists(folder.destination / "f_unrepairable.edf"));
}

void ConversionRunTest::cancelledThoroughRunKeepsCompleteFilesOnly()
{
    std::vector<OfferRow> rows = offerFolder();
    rows.erase(rows.begin() + 3, rows.end());
    rows.push_back({"d_count_unknown.edf", rows[2].bytes, true, {}});
    OfferRun folder(rows);
    const fs::path grown = folder.source / "d_count_unknown.edf";
    std::string usualCopy;
    folder.ok({[&](QWidget *dialog) {
                   usualCopy = readBytes(folder.destination / "d_count_unknown.edf");
                   // Grown since the offer (sparse: many seconds to copy), so the thorough
                   // run is cancelled in it.
                   fs::resize_file(grown, std::uintmax_t(8) << 30);
                   return press(thoroughButton)(dialog);
               },
               [](QWidget *dialog) {
                   dialog->findChild<QPushButton *>()->click();
                   return ModalAnswerer::Close::closedByAnswer;
               },
               press(QStringLiteral("OK"))});

    QCOMPARE(folder.seen[1].className, QStringLiteral("QProgressDialog"));
    QCOMPARE(folder.messages.last(), completed + QStringLiteral(". 1/2 files"));
    QCOMPARE(folder.destination.entries(),
             (std::vector<std::string>{"a_sound.edf", "b_recorder.edf", "c_count_unknown.edf",
                                       "d_count_unknown.edf"}));
    QVERIFY(folder.sound("c_count_unknown.edf"));
    QCOMPARE(readBytes(folder.destination / "d_count_unknown.edf"), usualCopy);
}

QTEST_MAIN(ConversionRunTest)
#include "conversion_run_test.moc"
