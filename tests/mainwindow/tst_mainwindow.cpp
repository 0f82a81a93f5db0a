#include "MainWindowProbe.h"

#include "AboutDilog.h"
#include "MessageBoxAnswerer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QMetaMethod>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString notConnected = QStringLiteral("Нет подключения");
const QString connected = QStringLiteral("Подключено");

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void slotTable_data();
    void slotTable();
    void startState();
    void windowFrame();
    void pictures();
    void statusBarContents();
    void connectionDot();
    void progress_data();
    void progress();
    void commandButtons();
    void reset_data();
    void reset();
    void serviceButton();
    void serviceCodeTypedIntoAbout();
    void aboutFromTheMenu();
    void quitAction();
    void fileWriteNeedsASender();
    void fileWriteBySenderName();

private:
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

void TestMainWindow::init()
{
    window = std::make_unique<MainWindow>();
    probe = std::make_unique<MainWindowProbe>(window.get());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindow::cleanup()
{
    probe.reset();
    window.reset();
}

void TestMainWindow::slotTable_data()
{
    QTest::addColumn<QString>("signature");
    QTest::addColumn<QMetaMethod::Access>("access");
    const QMetaMethod::Access priv = QMetaMethod::Private;
    QTest::newRow("0") << QStringLiteral("setmem(int)") << priv;
    QTest::newRow("1") << QStringLiteral("setmem_2(int)") << priv;
    QTest::newRow("2") << QStringLiteral("setmem_3(int)") << priv;
    QTest::newRow("3") << QStringLiteral("setmem_d_1()") << priv;
    QTest::newRow("4") << QStringLiteral("setmem_d_2()") << priv;
    QTest::newRow("5") << QStringLiteral("setmem_d_3()") << priv;
    QTest::newRow("6") << QStringLiteral("setmem_angle(int)") << priv;
    QTest::newRow("7") << QStringLiteral("setmem_flag(int)") << priv;
    QTest::newRow("8") << QStringLiteral("conf_wgt()") << priv;
    QTest::newRow("9") << QStringLiteral("file_wr()") << priv;
    QTest::newRow("10") << QStringLiteral("set_connect()") << priv;
    QTest::newRow("11") << QStringLiteral("set_dev_config(char[6])") << priv;
    QTest::newRow("12") << QStringLiteral("set_curr_action(int,int,int)") << priv;
    QTest::newRow("13") << QStringLiteral("test_button(bool)") << priv;
    QTest::newRow("14") << QStringLiteral("show_about()") << priv;
    QTest::newRow("15") << QStringLiteral("get_connect()") << priv;
    QTest::newRow("16") << QStringLiteral("slot_reset()") << priv;
    QTest::newRow("17") << QStringLiteral("buttonsEnable(bool)") << QMetaMethod::Public;
    QTest::newRow("18") << QStringLiteral("clearConnect()") << QMetaMethod::Public;
}

// The window's own methods are exactly these slots, in this order: no signals, nothing else.
void TestMainWindow::slotTable()
{
    QFETCH(QString, signature);
    QFETCH(QMetaMethod::Access, access);
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 19);
    const QMetaMethod method
        = meta.method(meta.methodOffset() + QString(QTest::currentDataTag()).toInt());
    QCOMPARE(QString::fromLatin1(method.methodSignature()), signature);
    QCOMPARE(method.methodType(), QMetaMethod::Slot);
    QCOMPARE(method.access(), access);
}

void TestMainWindow::startState()
{
    MainWindowForm &f = probe->form();
    QCOMPARE(window->windowTitle(), QStringLiteral("Конфигуратор Вирел-3"));
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));

    for (QWidget *hidden : std::initializer_list<QWidget *> {f.pushButton_cfg, f.hand, f.sLabel,
             f.sLabel_2, f.sLabel_3, f.sLabel_4, f.sLabel_5, f.sLabel_6, probe->progressBar()})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    for (QWidget *shown : std::initializer_list<QWidget *> {
             f.get, f.save, f.button_drop, f.sLabel_7, f.label_icn, f.checkBox})
        QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));

    for (QWidget *disabled : std::initializer_list<QWidget *> {
             f.save, f.get, f.hand, f.horizontalSlider, f.horizontalSlider_2, f.horizontalSlider_3})
        QVERIFY2(!disabled->isEnabled(), qPrintable(disabled->objectName()));
    QVERIFY(f.button_drop->isEnabled());
    QVERIFY(f.horizontalSlider_4->isEnabled());

    for (QCheckBox *box : {f.checkBox_d_1, f.checkBox_d_2, f.checkBox_d_3, f.checkBox})
        QVERIFY(!box->isChecked());
    for (QSlider *slider : {f.horizontalSlider, f.horizontalSlider_2, f.horizontalSlider_3})
        QCOMPARE(slider->value(), 0);
    QCOMPARE(f.horizontalSlider_4->value(), 1);
    QCOMPARE(f.sLabel_7->text(), QStringLiteral("5º"));
    QCOMPARE(f.sLabel->text(), QStringLiteral("Выкл"));
    QVERIFY(!f.action_2->isChecked());
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x0E}));
}

void TestMainWindow::windowFrame()
{
    QCOMPARE(window->size(), QSize(640, 480));
    QCOMPARE(window->maximumSize(), QSize(640, 480));
    const Qt::WindowFlags flags = window->windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Window);
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!window->parentWidget());
}

void TestMainWindow::pictures()
{
    const QIcon icon = window->windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(188, 240)));
    QCOMPARE(probe->form().label_icn->pixmap().size(), QSize(89, 28));
    // All channels start off and show one picture; a pixmap still being painted on would have
    // been copied whole into each label.
    const qint64 offPicture = probe->form().label_d_1->pixmap().cacheKey();
    QCOMPARE(probe->form().label_d_2->pixmap().cacheKey(), offPicture);
    QCOMPARE(probe->form().label_d_3->pixmap().cacheKey(), offPicture);
    for (QLabel *picture :
        {probe->form().label_d_1, probe->form().label_d_2, probe->form().label_d_3}) {
        const QImage ramp = picture->pixmap().toImage();
        QCOMPARE(ramp.size(), QSize(300, 30));
        // A wedge rising to the right, over the window's own background.
        QCOMPARE(ramp.pixelColor(10, 5), window->palette().color(QPalette::Window));
        QVERIFY(ramp.pixelColor(20, 24).lightness() < 80);
        QVERIFY(ramp.pixelColor(285, 20).lightness() > 200);
    }
}

void TestMainWindow::statusBarContents()
{
    QStatusBar *bar = probe->form().statusBar;
    QLabel *text = probe->connectionLabel();
    QLabel *dot = probe->indicatorLabel();
    QProgressBar *progressBar = probe->progressBar();
    QCOMPARE(text->parentWidget(), bar);
    QCOMPARE(dot->parentWidget(), bar);
    QCOMPARE(progressBar->parentWidget(), bar);
    QCOMPARE(text->text(), notConnected);
    QCOMPARE(dot->pixmap().size(), QSize(20, 20));

    emit probe->progress(5, 7, 0);
    QVERIFY(progressBar->isVisible());
    QVERIFY(text->geometry().right() < dot->geometry().left());
    QVERIFY(dot->geometry().right() < progressBar->geometry().left());
}

void TestMainWindow::connectionDot()
{
    const QColor background = window->palette().color(QPalette::Window);
    QCOMPARE(probe->dotColour(), QColor(Qt::red));

    emit probe->handshakeOk();
    QCOMPARE(probe->connectionLabel()->text(), connected);
    QCOMPARE(probe->dotColour(), QColor(Qt::green));
    emit probe->handshakeOk();
    QCOMPARE(probe->connectionLabel()->text(), connected);
    QCOMPARE(probe->dotColour(), QColor(Qt::green));

    emit probe->disconnected();
    QCOMPARE(probe->connectionLabel()->text(), notConnected);
    QCOMPARE(probe->dotColour(), QColor(Qt::red));

    // Only the dot changes; the rest of the picture keeps the window's background.
    const QImage image = probe->indicatorLabel()->pixmap().toImage();
    QCOMPARE(image.pixelColor(19, 19), background);
    QCOMPARE(image.pixelColor(0, 19), background);
}

void TestMainWindow::progress_data()
{
    QTest::addColumn<QList<int>>("calls"); // total, step, cgi for each call
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("maximum");

    QTest::newRow("first bit") << QList<int> {5, 7, 0} << true << 0 << 35;
    QTest::newRow("third byte") << QList<int> {5, 3, 2} << true << 18 << 35;
    QTest::newRow("sixth byte begins") << QList<int> {5, 7, 5} << false << 35 << 35;
    QTest::newRow("rest of the sixth byte")
        << QList<int> {5, 7, 5, 5, 6, 5, 5, 0, 5} << false << 35 << 35;
    QTest::newRow("end") << QList<int> {5, 3, 2, 5, 0, 33} << false << -1 << 35;
    QTest::newRow("end whatever total and step")
        << QList<int> {5, 3, 2, 9, 4, 33} << false << -1 << 35;
    QTest::newRow("end with nothing shown") << QList<int> {0, 0, 33} << false << -1 << 100;
    QTest::newRow("next exchange shows it again")
        << QList<int> {5, 7, 5, 0, 0, 33, 1, 4, 0} << true << 3 << 7;
}

void TestMainWindow::progress()
{
    QFETCH(QList<int>, calls);
    QFETCH(bool, visible);
    QFETCH(int, value);
    QFETCH(int, maximum);
    QVERIFY(calls.size() % 3 == 0);
    for (int i = 0; i < calls.size(); i += 3)
        emit probe->progress(calls[i], calls[i + 1], calls[i + 2]);
    QCOMPARE(probe->progressBar()->isVisible(), visible);
    QCOMPARE(probe->progressBar()->value(), value);
    QCOMPARE(probe->progressBar()->maximum(), maximum);
    QCOMPARE(probe->progressBar()->minimum(), 0);
}

void TestMainWindow::commandButtons()
{
    MainWindowForm &f = probe->form();
    emit probe->buttons(true);
    QVERIFY(f.save->isEnabled());
    QVERIFY(f.get->isEnabled());
    QVERIFY(f.hand->isEnabled());
    QVERIFY(!f.hand->isVisible());
    emit probe->buttons(false);
    QVERIFY(!f.save->isEnabled());
    QVERIFY(!f.get->isEnabled());
    QVERIFY(!f.hand->isEnabled());
    QVERIFY(f.button_drop->isEnabled());
}

void TestMainWindow::reset_data()
{
    QTest::addColumn<QList<int>>("reply"); // empty: the start state
    QTest::addColumn<QString>("readout");
    QTest::newRow("channels off") << QList<int>() << QStringLiteral("5º");
    QTest::newRow("channels on at other levels")
        << QList<int> {0x53, 0x01, 30, 3, 7, 15} << QStringLiteral("5º");
    QTest::newRow("one channel off")
        << QList<int> {0x53, 0x04, 45, 3, 7, 15} << QStringLiteral("5º");
    // The tilt slider is already at 1, so its readout keeps the received number.
    QTest::newRow("received angle below 5")
        << QList<int> {0x53, 0x00, 3, 1, 1, 1} << QStringLiteral("3º");
}

void TestMainWindow::reset()
{
    QFETCH(QList<int>, reply);
    QFETCH(QString, readout);
    if (!reply.isEmpty())
        probe->receive({reply[0], reply[1], reply[2], reply[3], reply[4], reply[5]});

    MainWindowForm &f = probe->form();
    QTest::mouseClick(f.button_drop, Qt::LeftButton);

    for (QCheckBox *box : {f.checkBox_d_1, f.checkBox_d_2, f.checkBox_d_3})
        QVERIFY(box->isChecked());
    QVERIFY(!f.checkBox->isChecked());
    for (QSlider *slider : {f.horizontalSlider, f.horizontalSlider_2, f.horizontalSlider_3}) {
        QCOMPARE(slider->value(), 0);
        QVERIFY(slider->isEnabled());
    }
    QCOMPARE(f.horizontalSlider_4->value(), 1);
    QCOMPARE(f.sLabel_7->text(), readout);
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x00}));
}

void TestMainWindow::serviceButton()
{
    auto *about = window->findChild<AboutDilog *>();
    QVERIFY(about);
    QPushButton *service = probe->form().pushButton_cfg;

    emit about->show_btn(true);
    QVERIFY(service->isVisible());
    emit about->show_btn(false);
    QVERIFY(!service->isVisible());

    // The "тест" action keeps it shown whatever the dialog says.
    probe->form().action_2->setChecked(true);
    emit about->show_btn(false);
    QVERIFY(service->isVisible());
    probe->form().action_2->setChecked(false);
    emit about->show_btn(false);
    QVERIFY(!service->isVisible());
}

void TestMainWindow::serviceCodeTypedIntoAbout()
{
    auto *about = window->findChild<AboutDilog *>();
    QVERIFY(about);
    QPushButton *service = probe->form().pushButton_cfg;
    probe->form().action_3->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(about));

    QTest::keyClicks(about, QStringLiteral("60431"));
    QVERIFY(!service->isVisible());
    QTest::keyClick(about, Qt::Key_7);
    QVERIFY(service->isVisible());
    QTest::keyClick(about, Qt::Key_Shift);
    QVERIFY(!service->isVisible());
}

void TestMainWindow::aboutFromTheMenu()
{
    auto *about = window->findChild<AboutDilog *>();
    QVERIFY(about);
    QCOMPARE(about->parentWidget(), window.get());
    QVERIFY(!about->isVisible());
    probe->form().action_3->trigger();
    QVERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    QVERIFY(window->isVisible());
}

void TestMainWindow::quitAction()
{
    probe->form().action->trigger();
    QVERIFY(!window->isVisible());
}

void TestMainWindow::fileWriteNeedsASender()
{
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir(temporary.path()).mkdir(QStringLiteral("data")));
    QVERIFY(QDir::setCurrent(temporary.path()));

    MessageBoxAnswerer answerer;
    probe->callFileWrite();
    probe->fileButton(QStringLiteral("other"))->click();
    QTest::qWait(20);
    QDir::setCurrent(previous);

    QVERIFY(answerer.boxes().isEmpty());
    QVERIFY(QDir(temporary.filePath(QStringLiteral("data"))).isEmpty());
}

void TestMainWindow::fileWriteBySenderName()
{
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir(temporary.path()).mkdir(QStringLiteral("data")));
    QVERIFY(QDir::setCurrent(temporary.path()));

    MessageBoxAnswerer answerer;
    probe->fileButton(QStringLiteral("open"))->click();
    const int afterOpen = answerer.boxes().size();
    probe->fileButton(QStringLiteral("save"))->click();
    QFile stored(QStringLiteral("data/a"));
    const bool opened = stored.open(QIODevice::ReadOnly);
    const QByteArray bytes = stored.readAll();
    stored.close();
    QDir::setCurrent(previous);

    QCOMPARE(afterOpen, 1);
    QCOMPARE(answerer.boxes().size(), 2);
    QCOMPARE(answerer.boxes()[0].title, QStringLiteral("Read file"));
    QCOMPARE(answerer.boxes()[0].text, QStringLiteral("No saved configuration!"));
    QCOMPARE(answerer.boxes()[1].title, QStringLiteral("Write file"));
    QCOMPARE(answerer.boxes()[1].text, QStringLiteral("Write configuration complete!"));
    QVERIFY(opened);
    QCOMPARE(bytes, QByteArray(12, '\0'));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
