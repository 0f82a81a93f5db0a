// The fixed geometry of the main window holds its texts only in the dialog font it was laid
// out for; with a wider font the channel descriptions and the title are cut off.
#include "DialogFont.h"
#include "MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <algorithm>

class TestDialogFont : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaultFont();
    void textsFit_data();
    void textsFit();

private:
    MainWindow *window = nullptr;
};

// Room a check box leaves for its text beside the indicator, as its style draws it.
static int textRoom(QCheckBox *check)
{
    QStyleOptionButton option;
    option.initFrom(check);
    option.text = check->text();
    return check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).width();
}

// Width of the widest line; spaces at the ends of lines show nothing.
static int textWidth(const QFontMetrics &metrics, const QString &text)
{
    int widest = 0;
    for (const QString &line : text.split('\n'))
        widest = qMax(widest, metrics.horizontalAdvance(line.trimmed()));
    return widest;
}

static bool fits(QWidget *widget, int *needed, int *room)
{
    if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        *needed = textWidth(check->fontMetrics(), check->text());
        *room = textRoom(check);
    } else if (auto *box = qobject_cast<QGroupBox *>(widget)) {
        *needed = textWidth(box->fontMetrics(), box->title());
        *room = box->width();
    } else {
        *needed = widget->sizeHint().width();
        *room = widget->width();
    }
    return *needed <= *room;
}

void TestDialogFont::initTestCase()
{
    applyDialogFont();
    const QStringList narrow {"Tahoma", "Liberation Sans", "DejaVu Sans Condensed"};
    const QStringList installed = QFontDatabase::families();
    if (std::none_of(narrow.begin(), narrow.end(),
            [&](const QString &family) { return installed.contains(family); }))
        QSKIP("no narrow sans with Cyrillic letters is installed");
    const QString resolved = QFontInfo(QApplication::font()).family();
    QVERIFY2(narrow.contains(resolved), qPrintable("the dialog font resolves to " + resolved));
    window = new MainWindow;
    window->show();
}

void TestDialogFont::defaultFont()
{
    QCOMPARE(QApplication::font().family(), QStringLiteral("MS Shell Dlg 2"));
    QCOMPARE(QApplication::font().pointSize(), 8);
    QCOMPARE(window->font().pointSize(), 8);
}

void TestDialogFont::textsFit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("slack");
    for (const char *name : {"label", "get", "save", "button_drop", "checkBox_d_1", "checkBox_d_2",
             "checkBox", "groupBox_1", "groupBox", "label_21", "label_22"})
        QTest::newRow(name) << QString::fromLatin1(name) << 0;
    // This style's check indicator is a few pixels wider than the one the geometry was made
    // for, so the comma ending the middle line may lose a pixel or two.
    QTest::newRow("checkBox_d_3") << QStringLiteral("checkBox_d_3") << 3;
}

void TestDialogFont::textsFit()
{
    QFETCH(QString, name);
    QFETCH(int, slack);
    auto *widget = window->findChild<QWidget *>(name);
    QVERIFY(widget);
    int needed = 0;
    int room = 0;
    QVERIFY2(fits(widget, &needed, &room) || needed <= room + slack,
        qPrintable(QString("%1 needs %2 px, has %3").arg(name).arg(needed).arg(room)));
}

QTEST_MAIN(TestDialogFont)
#include "tst_dialogfont.moc"
