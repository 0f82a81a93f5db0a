#include "MainWindowProbe.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include <memory>

using Bytes = std::array<int, 6>;

namespace {

const QString off = QStringLiteral("Выкл");

// The picture a channel shows: a yellow wedge when it is on, a grey one when it is off.
enum class Ramp { None, Off, On };

Ramp rampOf(const QLabel *picture)
{
    const QImage image = picture->pixmap().toImage();
    if (image.size() != QSize(300, 30))
        return Ramp::None;
    const QColor tip = image.pixelColor(285, 20);
    if (tip.red() == tip.green() && tip.green() == tip.blue() && tip.red() > 200)
        return Ramp::Off;
    if (tip.red() > 200 && tip.green() > 200 && tip.blue() < tip.red() - 60)
        return Ramp::On;
    return Ramp::None;
}

} // namespace

Q_DECLARE_METATYPE(Bytes)

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void replies_data();
    void replies();
    void replyOverEarlierSettings();
    void replyLeavesOffChannelAlone();
    void channelOnThroughItsBox();
    void levelsThroughTheKeyboard_data();
    void levelsThroughTheKeyboard();
    void channelOffAndOnStartsAtZero();
    void offChannelSliderIgnoresKeys();
    void singleImpactBox();
    void tiltThroughTheKeyboard_data();
    void tiltThroughTheKeyboard();
    void tiltReadoutFollowsItsLabel();

private:
    QCheckBox *box(int channel) const;
    QSlider *slider(int channel) const;
    QLabel *picture(int channel) const;
    void checkInvariants() const;

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

void TestSettings::init()
{
    window = std::make_unique<MainWindow>();
    probe = std::make_unique<MainWindowProbe>(window.get());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestSettings::cleanup()
{
    probe.reset();
    window.reset();
}

QCheckBox *TestSettings::box(int channel) const
{
    MainWindowForm &f = probe->form();
    return channel == 1 ? f.checkBox_d_1 : channel == 2 ? f.checkBox_d_2 : f.checkBox_d_3;
}

QSlider *TestSettings::slider(int channel) const
{
    MainWindowForm &f = probe->form();
    return channel == 1 ? f.horizontalSlider
        : channel == 2  ? f.horizontalSlider_2
                        : f.horizontalSlider_3;
}

QLabel *TestSettings::picture(int channel) const
{
    MainWindowForm &f = probe->form();
    return channel == 1 ? f.label_d_1 : channel == 2 ? f.label_d_2 : f.label_d_3;
}

// What the controls show and what a write would send must always agree.
void TestSettings::checkInvariants() const
{
    const DetectorSettings &s = probe->settings();
    const std::int8_t levels[] = {s.level1, s.level2, s.level3};
    for (int k = 1; k <= 3; ++k) {
        const bool on = box(k)->isChecked();
        QCOMPARE(bool(s.flags & (1 << k)), !on);
        QCOMPARE(slider(k)->isEnabled(), on);
        QCOMPARE(int(levels[k - 1]), -slider(k)->value());
        if (!on)
            QCOMPARE(slider(k)->value(), 0);
        QCOMPARE(rampOf(picture(k)), on ? Ramp::On : Ramp::Off);
    }
    QCOMPARE(int(s.angle), 5 * probe->form().horizontalSlider_4->value());
    QCOMPARE(bool(s.flags & 0x01), probe->form().checkBox->isChecked());
    QCOMPARE(s.flags & 0xF0, 0);
}

void TestSettings::replies_data()
{
    QTest::addColumn<Bytes>("reply");
    QTest::addColumn<int>("tilt");
    QTest::addColumn<QString>("readout");
    QTest::addColumn<QList<int>>("sliders");
    QTest::addColumn<QStringList>("replyLabels");
    QTest::addColumn<QList<int>>("settings");

    QTest::newRow("20/0x01/3,7,15")
        << Bytes {0x53, 0x01, 20, 3, 7, 15} << 4 << QStringLiteral("20º")
        << QList<int> {-3, -7, -15} << QStringList {"-3", "-7", "-15"}
        << QList<int> {3, 7, 15, 20, 0x01};
    QTest::newRow("marker not read")
        << Bytes {0x00, 0x01, 20, 3, 7, 15} << 4 << QStringLiteral("20º")
        << QList<int> {-3, -7, -15} << QStringList {"-3", "-7", "-15"}
        << QList<int> {3, 7, 15, 20, 0x01};
    QTest::newRow("angle 47") << Bytes {0x53, 0x0E, 47, 0, 0, 0} << 9 << QStringLiteral("47º")
                              << QList<int> {0, 0, 0} << QStringList {off, off, off}
                              << QList<int> {0, 0, 0, 45, 0x0E};
    QTest::newRow("angle 0") << Bytes {0x53, 0x0E, 0, 0, 0, 0} << 1 << QStringLiteral("0º")
                             << QList<int> {0, 0, 0} << QStringList {off, off, off}
                             << QList<int> {0, 0, 0, 5, 0x0E};
    QTest::newRow("angle 3") << Bytes {0x53, 0x0E, 3, 0, 0, 0} << 1 << QStringLiteral("3º")
                             << QList<int> {0, 0, 0} << QStringList {off, off, off}
                             << QList<int> {0, 0, 0, 5, 0x0E};
    QTest::newRow("angle -20") << Bytes {0x53, 0x0E, 0xEC, 0, 0, 0} << 1 << QStringLiteral("-20º")
                               << QList<int> {0, 0, 0} << QStringList {off, off, off}
                               << QList<int> {0, 0, 0, 5, 0x0E};
    QTest::newRow("angle 0x80") << Bytes {0x53, 0x0E, 0x80, 0, 0, 0} << 1 << QStringLiteral("-128º")
                                << QList<int> {0, 0, 0} << QStringList {off, off, off}
                                << QList<int> {0, 0, 0, 5, 0x0E};
    QTest::newRow("levels above 15")
        << Bytes {0x53, 0x00, 45, 16, 20, 127} << 9 << QStringLiteral("45º")
        << QList<int> {-15, -15, -15} << QStringList {"-16", "-20", "-127"}
        << QList<int> {15, 15, 15, 45, 0x00};
    QTest::newRow("levels 0x80 and above")
        << Bytes {0x53, 0x00, 10, 0x80, 0xFF, 0x90} << 2 << QStringLiteral("10º")
        << QList<int> {0, 0, 0} << QStringList {"128", "1", "112"}
        << QList<int> {0, 0, 0, 10, 0x00};
    QTest::newRow("bits 4 to 7") << Bytes {0x53, 0xF5, 25, 4, 5, 6} << 5 << QStringLiteral("25º")
                                 << QList<int> {-4, 0, -6} << QStringList {"-4", off, "-6"}
                                 << QList<int> {4, 0, 6, 25, 0x05};
    QTest::newRow("off channels ignore their levels")
        << Bytes {0x53, 0x0E, 5, 9, 9, 9} << 1 << QStringLiteral("5º") << QList<int> {0, 0, 0}
        << QStringList {off, off, off} << QList<int> {0, 0, 0, 5, 0x0E};
}

void TestSettings::replies()
{
    QFETCH(Bytes, reply);
    QFETCH(int, tilt);
    QFETCH(QString, readout);
    QFETCH(QList<int>, sliders);
    QFETCH(QStringList, replyLabels);
    QFETCH(QList<int>, settings);

    probe->receive(reply);

    MainWindowForm &f = probe->form();
    QCOMPARE(f.horizontalSlider_4->value(), tilt);
    QCOMPARE(f.sLabel_7->text(), readout);
    QCOMPARE(f.checkBox->isChecked(), bool(reply[1] & 0x01));
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(box(k)->isChecked(), !(reply[1] & (1 << k)));
        QCOMPARE(slider(k)->value(), sliders[k - 1]);
    }
    QCOMPARE(
        (QStringList {f.sLabel_4->text(), f.sLabel_5->text(), f.sLabel_6->text()}), replyLabels);
    QCOMPARE(probe->stored(), settings);
    checkInvariants();
}

void TestSettings::replyOverEarlierSettings()
{
    probe->receive({0x53, 0x01, 20, 3, 7, 15});
    probe->receive({0x53, 0x02, 30, 9, 7, 2});
    QVERIFY(!box(1)->isChecked());
    QCOMPARE(slider(2)->value(), -7);
    QCOMPARE(slider(3)->value(), -2);
    QVERIFY(!probe->form().checkBox->isChecked());
    QCOMPARE(probe->stored(), (QList<int> {0, 7, 2, 30, 0x02}));
    checkInvariants();

    // The write frame carries them as flags, angle, level1, level2, level3.
    const auto wire = probe->settings().wireBytes();
    QCOMPARE((QList<int> {wire[0], wire[1], wire[2], wire[3], wire[4]}),
        (QList<int> {0x02, 30, 0, 7, 2}));
}

void TestSettings::replyLeavesOffChannelAlone()
{
    probe->receive({0x53, 0x08, 15, 1, 2, 3});
    QCOMPARE(probe->form().sLabel_3->text(), off);
    probe->form().sLabel_3->setText(QStringLiteral("marker"));
    probe->receive({0x53, 0x08, 15, 1, 2, 12});
    // Box 3 did not change, so its switch slot did not run again.
    QCOMPARE(probe->form().sLabel_3->text(), QStringLiteral("marker"));
    QCOMPARE(probe->stored(), (QList<int> {1, 2, 0, 15, 0x08}));
    checkInvariants();
}

void TestSettings::channelOnThroughItsBox()
{
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(rampOf(picture(k)), Ramp::Off);
        MainWindowProbe::click(box(k));
        QVERIFY(box(k)->isChecked());
        QVERIFY(slider(k)->isEnabled());
        QCOMPARE(rampOf(picture(k)), Ramp::On);
        checkInvariants();
    }
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x00}));
}

void TestSettings::levelsThroughTheKeyboard_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("level");
    QTest::newRow("1: three left") << 1 << int(Qt::Key_Left) << 3 << 3;
    QTest::newRow("2: min end") << 2 << int(Qt::Key_Home) << 1 << 15;
    QTest::newRow("3: past the min end") << 3 << int(Qt::Key_Left) << 20 << 15;
    QTest::newRow("1: right stays at max") << 1 << int(Qt::Key_Right) << 2 << 0;
    QTest::newRow("2: page down") << 2 << int(Qt::Key_PageDown) << 4 << 4;
}

void TestSettings::levelsThroughTheKeyboard()
{
    QFETCH(int, channel);
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(int, level);

    MainWindowProbe::click(box(channel));
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(slider(channel), Qt::Key(key));

    QCOMPARE(slider(channel)->value(), -level);
    QList<int> expected = {0, 0, 0, 5, 0x0E & ~(1 << channel)};
    expected[channel - 1] = level;
    QCOMPARE(probe->stored(), expected);
    QLabel *number = channel == 1 ? probe->form().sLabel
        : channel == 2            ? probe->form().sLabel_2
                                  : probe->form().sLabel_3;
    if (level != 0)
        QCOMPARE(number->text(), QString::number(-level));
    checkInvariants();
}

void TestSettings::channelOffAndOnStartsAtZero()
{
    MainWindowProbe::click(box(2));
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(slider(2), Qt::Key_Left);
    QCOMPARE(probe->stored(), (QList<int> {0, 6, 0, 5, 0x0A}));

    MainWindowProbe::click(box(2));
    QVERIFY(!box(2)->isChecked());
    QCOMPARE(slider(2)->value(), 0);
    QCOMPARE(probe->form().sLabel_2->text(), off);
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x0E}));
    checkInvariants();

    MainWindowProbe::click(box(2));
    QVERIFY(box(2)->isChecked());
    QCOMPARE(slider(2)->value(), 0);
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x0A}));
    checkInvariants();
}

void TestSettings::offChannelSliderIgnoresKeys()
{
    MainWindowProbe::click(box(1));
    MainWindowProbe::click(box(3));
    for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_PageDown})
        QTest::keyClick(slider(2), key);
    QVERIFY(!slider(2)->isEnabled());
    QCOMPARE(slider(2)->value(), 0);
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x04}));

    // Clicking on the disabled slider's groove does not move it either.
    const QPoint groove(slider(2)->width() / 4, slider(2)->height() / 2);
    QTest::mouseClick(slider(2), Qt::LeftButton, Qt::NoModifier, groove);
    QCOMPARE(slider(2)->value(), 0);
    checkInvariants();
}

void TestSettings::singleImpactBox()
{
    QCheckBox *single = probe->form().checkBox;
    MainWindowProbe::click(single);
    QVERIFY(single->isChecked());
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x0F}));
    MainWindowProbe::click(single);
    QVERIFY(!single->isChecked());
    QCOMPARE(probe->stored(), (QList<int> {0, 0, 0, 5, 0x0E}));
    checkInvariants();
}

void TestSettings::tiltThroughTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("readout");
    QTest::newRow("none") << int(Qt::Key_Right) << 0 << 1 << QStringLiteral("5º");
    QTest::newRow("three right") << int(Qt::Key_Right) << 3 << 4 << QStringLiteral("20º");
    QTest::newRow("end") << int(Qt::Key_End) << 1 << 9 << QStringLiteral("45º");
    QTest::newRow("past the end") << int(Qt::Key_Right) << 12 << 9 << QStringLiteral("45º");
    QTest::newRow("left at the start") << int(Qt::Key_Left) << 2 << 1 << QStringLiteral("5º");
}

void TestSettings::tiltThroughTheKeyboard()
{
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(int, value);
    QFETCH(QString, readout);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(probe->form().horizontalSlider_4, Qt::Key(key));
    QCOMPARE(probe->form().horizontalSlider_4->value(), value);
    QCOMPARE(int(probe->settings().angle), 5 * value);
    QCOMPARE(probe->form().sLabel_7->text(), readout);
    checkInvariants();
}

void TestSettings::tiltReadoutFollowsItsLabel()
{
    MainWindowForm &f = probe->form();
    f.label_21->setText(QStringLiteral("5°"));
    QTest::keyClick(f.horizontalSlider_4, Qt::Key_Right);
    QCOMPARE(f.sLabel_7->text(), QStringLiteral("10°"));
    probe->receive({0x53, 0x0E, 33, 0, 0, 0});
    QCOMPARE(f.sLabel_7->text(), QStringLiteral("33°"));

    // A label too short to carry a sign leaves the bare number.
    f.label_21->setText(QStringLiteral("5"));
    QTest::keyClick(f.horizontalSlider_4, Qt::Key_Right);
    QCOMPARE(f.sLabel_7->text(), QStringLiteral("35"));
    QCOMPARE(int(probe->settings().angle), 35);
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
