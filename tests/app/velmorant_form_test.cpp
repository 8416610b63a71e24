#include "tests/app/window_test_support.h"
#include "velmorant_version.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QResource>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

using namespace velmorant;

namespace {

const QString buttonSheet = QStringLiteral("font: bold 12px ;\ncolor:white;\nbackground:black;");
const QString captionSheet = QStringLiteral("font: bold 13px ;\n\ncolor: rgb(100, 100, 100);");
const QString fieldSheet
    = QStringLiteral("color: white;\nbackground-color: rgb(190, 190, 190);\nfont: 14px;");

enum class Font { bold, field, none };

struct Connection {
    const char *widget;
    const char *signal;
    const char *slot;
};

} // namespace

Q_DECLARE_METATYPE(Font)

class VelmorantFormTest : public QObject
{
    Q_OBJECT

private slots:
    void windowHasFixedSizeAndNoBars();
    void widgets_data();
    void widgets();
    void widgetsAreCreatedInOrder();
    void captionsAreReadWholeWhereTheFormPutThem();
    void initialState();
    void titleIsReplacedAfterSetup();
    void existingObjectNameIsKept();
    void captionsGoThroughFormContext();
    void icons_data();
    void icons();
    void selectButtonsShareOneIcon();
    void resourceTreeHoldsTheThreeIcons();
    void slotTable();
    void slotsAreConnectedByName();
};

void VelmorantFormTest::windowHasFixedSizeAndNoBars()
{
    Velmorant window;
    window.show();
    QCOMPARE(window.objectName(), QStringLiteral("VelmorantClass"));
    QCOMPARE(window.size(), QSize(450, 260));
    QCOMPARE(window.minimumSize(), QSize(450, 260));
    QCOMPARE(window.maximumSize(), QSize(450, 260));
    QCOMPARE(window.centralWidget(), child<QWidget>(window, "centralWidget"));
    QCOMPARE(window.centralWidget()->geometry(), QRect(0, 0, 450, 260));
    QCOMPARE(window.menuWidget(), nullptr);
    QCOMPARE(window.findChild<QStatusBar *>(), nullptr);
    QCOMPARE(window.findChild<QToolBar *>(), nullptr);
    QVERIFY(window.windowIcon().isNull());
}

void VelmorantFormTest::widgets_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<Font>("font");
    QTest::addColumn<QString>("styleSheet");
    QTest::addColumn<QString>("caption");

    const auto row = [](const char *name, const char *className, QRect geometry, Font font,
                        const QString &sheet, const char *caption) {
        QTest::newRow(name) << QString::fromLatin1(className) << geometry << font << sheet
                            << QString::fromLatin1(caption);
    };
    row("selectSourceFile", "QPushButton", {330, 85, 100, 35}, Font::bold, buttonSheet, "Select");
    row("modeFile", "QRadioButton", {20, 20, 81, 21}, Font::none, captionSheet, "A File");
    row("cancelBt", "QPushButton", {140, 210, 100, 35}, Font::bold, buttonSheet, "Cancel");
    row("label", "QLabel", {20, 55, 191, 16}, Font::bold, captionSheet, "Source (EDF) file:");
    row("sourceEdit", "QLineEdit", {20, 85, 291, 35}, Font::field, fieldSheet, "");
    row("label_2", "QLabel", {20, 135, 231, 16}, Font::bold, captionSheet,
        "Destination (EDF for EEGLAB) file:");
    row("okBt", "QPushButton", {20, 210, 100, 35}, Font::bold, buttonSheet, "OK");
    row("desEdit", "QLineEdit", {20, 160, 291, 35}, Font::field, fieldSheet, "");
    row("selectDesFile", "QPushButton", {330, 160, 100, 35}, Font::bold, buttonSheet, "Select");
    row("modeFolder", "QRadioButton", {100, 20, 181, 21}, Font::none, captionSheet,
        "All Files in Directory");
}

void VelmorantFormTest::widgets()
{
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(Font, font);
    QFETCH(QString, styleSheet);
    QFETCH(QString, caption);

    Velmorant window;
    QWidget *widget = child<QWidget>(window, QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget(), window.centralWidget());
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->styleSheet(), styleSheet);
    QVERIFY(widget->isEnabled());

    QCOMPARE(widget->testAttribute(Qt::WA_SetFont), font != Font::none);
    if (font != Font::none) {
        // Read before the style sheet's own font is applied on showing.
        QCOMPARE(widget->font().weight(),
                 font == Font::bold ? int(QFont::Bold) : int(QFont::Normal));
        QVERIFY(!widget->font().italic());
        QCOMPARE(widget->font().family(), QApplication::font().family());
    }

    QString text;
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        text = button->text();
    else if (auto *label = qobject_cast<QLabel *>(widget))
        text = label->text();
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        text = edit->text();
    QCOMPARE(text, caption);
}

void VelmorantFormTest::widgetsAreCreatedInOrder()
{
    Velmorant window;
    QStringList names;
    for (QObject *object : window.centralWidget()->children())
        names << object->objectName();
    // Creation order is also the focus order.
    QCOMPARE(names,
             (QStringList{"selectSourceFile", "modeFile", "cancelBt", "label", "sourceEdit",
                          "label_2", "okBt", "desEdit", "selectDesFile", "modeFolder"}));
    QCOMPARE(window.centralWidget()->nextInFocusChain(),
             child<QWidget>(window, "selectSourceFile"));
}

// Shown with its real fonts, every caption fits its text; a widget may
// have grown to the right, but never moved or shrunk.
void VelmorantFormTest::captionsAreReadWholeWhereTheFormPutThem()
{
    Velmorant window;
    const QList<QWidget *> widgets = window.centralWidget()->findChildren<QWidget *>();
    QVector<QRect> asBuilt;
    for (const QWidget *widget : widgets)
        asBuilt << widget->geometry();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < widgets.size(); ++i) {
        const QWidget *widget = widgets[i];
        QCOMPARE(widget->pos(), asBuilt[i].topLeft());
        QCOMPARE(widget->height(), asBuilt[i].height());
        QVERIFY(widget->width() >= asBuilt[i].width());
        if (qobject_cast<const QLabel *>(widget) || qobject_cast<const QAbstractButton *>(widget))
            QVERIFY2(widget->width() >= widget->sizeHint().width(),
                     qPrintable(widget->objectName()));
    }
}

void VelmorantFormTest::initialState()
{
    Velmorant window;
    auto *modeFile = child<QRadioButton>(window, "modeFile");
    auto *modeFolder = child<QRadioButton>(window, "modeFolder");
    QVERIFY(modeFile->isChecked());
    QVERIFY(!modeFolder->isChecked());
    QVERIFY(modeFile->autoExclusive() && modeFolder->autoExclusive());
    for (const char *name : {"sourceEdit", "desEdit"}) {
        auto *edit = child<QLineEdit>(window, name);
        QVERIFY(edit->text().isEmpty());
        QVERIFY(edit->placeholderText().isEmpty());
        QVERIFY(!edit->isReadOnly());
        QCOMPARE(edit->validator(), nullptr);
        QCOMPARE(edit->maxLength(), QLineEdit().maxLength());
    }
    for (QPushButton *button : window.findChildren<QPushButton *>())
        QVERIFY(!button->isDefault());
}

void VelmorantFormTest::titleIsReplacedAfterSetup()
{
    QMainWindow bare;
    Ui::VelmorantClass form;
    form.setupUi(&bare);
    QCOMPARE(bare.windowTitle(), QStringLiteral("Velmorant"));
    QCOMPARE(bare.objectName(), QStringLiteral("VelmorantClass"));

    Velmorant window;
    QCOMPARE(window.windowTitle(),
             QStringLiteral("Velmorant ") + QLatin1String(velmorant::version));
}

void VelmorantFormTest::existingObjectNameIsKept()
{
    QMainWindow named;
    named.setObjectName(QStringLiteral("already named"));
    Ui::VelmorantClass form;
    form.setupUi(&named);
    QCOMPARE(named.objectName(), QStringLiteral("already named"));
}

void VelmorantFormTest::captionsGoThroughFormContext()
{
    MarkingTranslator formContext("VelmorantClass");
    QCoreApplication::installTranslator(&formContext);
    QMainWindow bare;
    Ui::VelmorantClass form;
    form.setupUi(&bare);
    Velmorant window;
    QCoreApplication::removeTranslator(&formContext);

    QCOMPARE(bare.windowTitle(), QStringLiteral("<Velmorant>"));
    // The constructor's title is a plain literal.
    QCOMPARE(window.windowTitle(),
             QStringLiteral("Velmorant ") + QLatin1String(velmorant::version));
    const QList<QPair<const char *, const char *>> captions{
        {"selectSourceFile", "<Select>"}, {"modeFile", "<A File>"},
        {"cancelBt", "<Cancel>"},         {"okBt", "<OK>"},
        {"selectDesFile", "<Select>"},    {"modeFolder", "<All Files in Directory>"}};
    for (const auto &caption : captions)
        QCOMPARE(child<QAbstractButton>(window, caption.first)->text(),
                 QLatin1String(caption.second));
    QCOMPARE(child<QLabel>(window, "label")->text(), QStringLiteral("<Source (EDF) file:>"));
    QCOMPARE(child<QLabel>(window, "label_2")->text(),
             QStringLiteral("<Destination (EDF for EEGLAB) file:>"));
    // Style sheets are never translated.
    QCOMPARE(child<QWidget>(window, "okBt")->styleSheet(), buttonSheet);

    // The window's own context "Velmorant" is not the form's.
    MarkingTranslator windowContext("Velmorant");
    QCoreApplication::installTranslator(&windowContext);
    Velmorant other;
    QCoreApplication::removeTranslator(&windowContext);
    QCOMPARE(child<QAbstractButton>(other, "okBt")->text(), QStringLiteral("OK"));
}

void VelmorantFormTest::icons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QSize>("pixels");
    QTest::newRow("okButton.png") << "okBt" << QSize(14, 13);
    QTest::newRow("selectButton.png") << "selectSourceFile" << QSize(17, 14);
    QTest::newRow("stopcanceButton.png") << "cancelBt" << QSize(11, 13);
}

void VelmorantFormTest::icons()
{
    QFETCH(QString, button);
    QFETCH(QSize, pixels);
    const QString path = QStringLiteral(":/Velmorant/Resources/") + QTest::currentDataTag();

    QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), pixels);
    QVERIFY(image.hasAlphaChannel());
    // Drawn in white, to show on the black buttons; the rest is transparent.
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 0)
                continue;
            ++drawn;
            QCOMPARE(pixel.rgb(), QColor(Qt::white).rgb());
        }
    }
    QVERIFY(drawn > image.width());
    QVERIFY(drawn < image.width() * image.height());

    Velmorant window;
    const QIcon icon = child<QPushButton>(window, qPrintable(button))->icon();
    QCOMPARE(icon.availableSizes(), QList<QSize>{pixels});
    QVERIFY(!icon.pixmap(pixels).isNull());
}

void VelmorantFormTest::selectButtonsShareOneIcon()
{
    Velmorant window;
    QCOMPARE(child<QPushButton>(window, "selectDesFile")->icon().cacheKey(),
             child<QPushButton>(window, "selectSourceFile")->icon().cacheKey());
    for (const char *name : {"selectSourceFile", "cancelBt", "okBt", "selectDesFile"})
        QVERIFY(!child<QPushButton>(window, name)->icon().isNull());
}

void VelmorantFormTest::resourceTreeHoldsTheThreeIcons()
{
    QCOMPARE(QDir(QStringLiteral(":/Velmorant/Resources")).entryList(),
             (QStringList{"okButton.png", "selectButton.png", "stopcanceButton.png"}));
    for (const char *name : {"okButton.png", "selectButton.png", "stopcanceButton.png"}) {
        const QResource resource(QStringLiteral(":/Velmorant/Resources/") + QLatin1String(name));
        QVERIFY(resource.isValid());
        // Format 1 carries no modification time.
        QVERIFY(resource.lastModified().isValid());
    }
}

void VelmorantFormTest::slotTable()
{
    const QMetaObject *meta = Velmorant().metaObject();
    QCOMPARE(meta->className(), "Velmorant");
    QCOMPARE(meta->superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(meta->propertyCount(), meta->propertyOffset());
    QStringList slotNames;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.returnType(), int(QMetaType::Void));
        slotNames << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(slotNames,
             (QStringList{"on_cancelBt_clicked()", "on_sourceEdit_textChanged(QString)",
                          "on_desEdit_textChanged(QString)", "on_okBt_clicked()",
                          "on_selectDesFile_clicked()", "on_selectSourceFile_clicked()",
                          "on_modeFile_clicked()", "on_modeFolder_clicked()"}));
}

void VelmorantFormTest::slotsAreConnectedByName()
{
    const Connection connections[] = {
        {"cancelBt", SIGNAL(clicked()), SLOT(on_cancelBt_clicked())},
        {"sourceEdit", SIGNAL(textChanged(QString)), SLOT(on_sourceEdit_textChanged(QString))},
        {"desEdit", SIGNAL(textChanged(QString)), SLOT(on_desEdit_textChanged(QString))},
        {"okBt", SIGNAL(clicked()), SLOT(on_okBt_clicked())},
        {"selectDesFile", SIGNAL(clicked()), SLOT(on_selectDesFile_clicked())},
        {"selectSourceFile", SIGNAL(clicked()), SLOT(on_selectSourceFile_clicked())},
        {"modeFile", SIGNAL(clicked()), SLOT(on_modeFile_clicked())},
        {"modeFolder", SIGNAL(clicked()), SLOT(on_modeFolder_clicked())},
    };
    Velmorant window;
    for (const Connection &connection : connections) {
        QObject *widget = child<QObject>(window, connection.widget);
        QVERIFY2(QObject::disconnect(widget, connection.signal, &window, connection.slot),
                 connection.slot);
    }
}

QTEST_MAIN(VelmorantFormTest)
#include "velmorant_form_test.moc"
