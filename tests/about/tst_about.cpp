#include "AboutDilog.h"
#include "AboutDilogForm.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpacerItem>
#include <QTest>
#include <QUrl>

// Receives the URLs the dialog hands to the desktop, so nothing is really opened.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void formObjects();
    void formLayoutCells();
    void formButtonRow();
    void formTexts();
    void labelText();
    void closeButtonHides();
    void serviceCode_data();
    void serviceCode();
    void serviceCodeAcrossShowings_data();
    void serviceCodeAcrossShowings();
    void keyAfterRecognition_data();
    void keyAfterRecognition();
    void escapeKeepsDialogOpen();
    void linkOpensWithDesktop();

private:
    static QString emissions(const QSignalSpy &spy);
};

QString TestAbout::emissions(const QSignalSpy &spy)
{
    QString pattern;
    for (const QList<QVariant> &args : spy)
        pattern += args.at(0).toBool() ? QLatin1Char('t') : QLatin1Char('f');
    return pattern;
}

void TestAbout::formObjects()
{
    QDialog dialog;
    AboutDilogForm form;
    form.setupForm(&dialog);

    QCOMPARE(dialog.objectName(), QString("AboutDilog"));
    QCOMPARE(dialog.layout(), form.gridLayout_2);
    QCOMPARE(form.gridLayout_2->objectName(), QString("gridLayout_2"));
    QCOMPARE(form.frame->objectName(), QString("frame"));
    QCOMPARE(form.frame->parentWidget(), &dialog);
    QCOMPARE(form.frame->layout(), form.gridLayout);
    QCOMPARE(form.gridLayout->objectName(), QString("gridLayout"));
    QCOMPARE(form._textLabel->objectName(), QString("_textLabel"));
    QCOMPARE(form._textLabel->parentWidget(), form.frame);
    QCOMPARE(form.horizontalLayout->objectName(), QString("horizontalLayout"));
    QCOMPARE(form.pushButton->objectName(), QString("pushButton"));
    QCOMPARE(form.pushButton->parentWidget(), &dialog);

    // Creation order of the dialog's direct widget children.
    const QList<QWidget *> children = dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(children, (QList<QWidget *> {form.frame, form.pushButton}));

    QCOMPARE(form.frame->frameShape(), QFrame::Box);
    QCOMPARE(form.frame->frameShadow(), QFrame::Sunken);
    QCOMPARE(form.frame->font().pointSize(), 8);
    QCOMPARE(form._textLabel->font().pointSize(), 8);
    QCOMPARE(form._textLabel->textFormat(), Qt::RichText);
    QVERIFY(!form._textLabel->wordWrap());
    QCOMPARE(dialog.size(), QSize(361, 146));
}

void TestAbout::formLayoutCells()
{
    QDialog dialog;
    AboutDilogForm form;
    form.setupForm(&dialog);

    struct Cell
    {
        QGridLayout *grid;
        QLayoutItem *item;
        int row;
    };
    const Cell cells[] = {{form.gridLayout, form.gridLayout->itemAtPosition(0, 0), 0},
        {form.gridLayout_2, form.gridLayout_2->itemAtPosition(0, 0), 0},
        {form.gridLayout_2, form.gridLayout_2->itemAtPosition(1, 0), 1}};
    QCOMPARE(cells[0].item->widget(), form._textLabel);
    QCOMPARE(cells[1].item->widget(), form.frame);
    QCOMPARE(cells[2].item->layout(), form.horizontalLayout);
    for (const Cell &cell : cells) {
        int row, column, rowSpan, columnSpan;
        cell.grid->getItemPosition(
            cell.grid->indexOf(cell.item), &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(row, cell.row);
        QCOMPARE(column, 0);
        QCOMPARE(rowSpan, 1);
        QCOMPARE(columnSpan, 1);
        QCOMPARE(cell.item->alignment(), Qt::Alignment());
    }
    QCOMPARE(form.gridLayout->count(), 1);
    QCOMPARE(form.gridLayout_2->count(), 2);
    QCOMPARE(form.gridLayout_2->rowStretch(0), 1);
    QCOMPARE(form.gridLayout_2->rowStretch(1), 0);
}

void TestAbout::formButtonRow()
{
    QDialog dialog;
    AboutDilogForm form;
    form.setupForm(&dialog);

    QHBoxLayout *row = form.horizontalLayout;
    QCOMPARE(row->count(), 3);
    QCOMPARE(row->itemAt(0)->spacerItem(), form.leftSpacer);
    QCOMPARE(row->itemAt(1)->widget(), form.pushButton);
    QCOMPARE(row->itemAt(2)->spacerItem(), form.rightSpacer);
    QCOMPARE(row->stretch(1), 0);
    for (QSpacerItem *spacer : {form.leftSpacer, form.rightSpacer}) {
        QCOMPARE(spacer->sizeHint(), QSize(40, 20));
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }
}

void TestAbout::formTexts()
{
    QDialog dialog;
    AboutDilogForm form;
    form.setupForm(&dialog);

    QCOMPARE(dialog.windowTitle(), QString("О программе \"Конфигуратор Вирел-3\""));
    QCOMPARE(dialog.toolTip(), QString("About Programm dialog"));
    QCOMPARE(dialog.whatsThis(), QString("About programm dialog"));
    QCOMPARE(form._textLabel->text(), QString("TextLabel"));
    QCOMPARE(form.pushButton->text(), QString("Закрыть"));

    // A dialog that already has a name keeps it.
    QDialog named;
    named.setObjectName("ownName");
    AboutDilogForm other;
    other.setupForm(&named);
    QCOMPARE(named.objectName(), QString("ownName"));
}

void TestAbout::labelText()
{
    AboutDilog dialog;
    QCOMPARE(dialog.objectName(), QString("AboutDilog"));
    QCOMPARE(dialog.windowTitle(), QString("О программе \"Конфигуратор Вирел-3\""));
    QVERIFY(!dialog.isModal());
    QVERIFY(!dialog.isVisible());

    auto *label = dialog.findChild<QLabel *>("_textLabel");
    QVERIFY(label);
    const QString text = label->text();
    QVERIFY(text.startsWith("<center>Программа \"Конфигуратор Вирел\"<br>"));
    QVERIFY(text.endsWith("</center>"));
    QCOMPARE(text.count("<br>"), 3);
    QCOMPARE(text.count("<center>"), 1);
    QVERIFY(text.contains("href=\"mailto:"));
    QCOMPARE(label->textFormat(), Qt::RichText);
    QCOMPARE(label->font().pointSize(), 8);
}

void TestAbout::closeButtonHides()
{
    AboutDilog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::mouseClick(dialog.findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(dialog.isHidden());
}

void TestAbout::serviceCode_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("code alone") << "604317"
                                << "ffffft";
    QTest::newRow("other text first") << "ab 9604317"
                                      << "ffffffffft";
    QTest::newRow("restarted code") << "60604317"
                                    << "fffffff"
                                       "t";
    QTest::newRow("wrong last digit") << "604318"
                                      << "ffffff";
    QTest::newRow("digits out of order") << "603417"
                                         << "ffffff";
    QTest::newRow("code twice") << "604317604317"
                                << "ffffft"
                                   "ffffft";
    QTest::newRow("key after code") << "6043170"
                                    << "ffffft"
                                       "f";
}

void TestAbout::serviceCode()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    AboutDilog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy spy(&dialog, &AboutDilog::show_btn);
    QTest::keyClicks(&dialog, typed);
    QCOMPARE(emissions(spy), expected);
}

void TestAbout::serviceCodeAcrossShowings_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("recognised");

    QTest::newRow("split code") << "60"
                                << "4317" << true;
    QTest::newRow("noise before split code") << "x1 6"
                                             << "04317" << true;
    QTest::newRow("all before hiding") << "xyz"
                                       << "604317" << true;
    QTest::newRow("broken by other key") << "604"
                                         << "a317" << false;
}

void TestAbout::serviceCodeAcrossShowings()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, recognised);

    AboutDilog dialog;
    QSignalSpy spy(&dialog, &AboutDilog::show_btn);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(&dialog, first);
    dialog.hide();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(&dialog, second);

    const QString expected = QString(first.size() + second.size() - 1, QLatin1Char('f'))
        + (recognised ? QLatin1Char('t') : QLatin1Char('f'));
    QCOMPARE(emissions(spy), expected);
}

void TestAbout::keyAfterRecognition_data()
{
    QTest::addColumn<int>("key");

    QTest::newRow("Shift, no text") << int(Qt::Key_Shift);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("last code digit again") << int(Qt::Key_7);
    QTest::newRow("letter") << int(Qt::Key_A);
}

void TestAbout::keyAfterRecognition()
{
    QFETCH(int, key);

    AboutDilog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy spy(&dialog, &AboutDilog::show_btn);
    QTest::keyClicks(&dialog, "604317");
    QCOMPARE(emissions(spy), QString("ffffft"));

    spy.clear();
    QTest::keyClick(&dialog, Qt::Key(key));
    QCOMPARE(emissions(spy), QString("f"));
    // The remembered text was emptied: the code's tail alone does not count.
    QTest::keyClicks(&dialog, "4317");
    QCOMPARE(emissions(spy), QString("fffff"));
}

void TestAbout::escapeKeepsDialogOpen()
{
    AboutDilog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy finished(&dialog, &QDialog::finished);
    QSignalSpy spy(&dialog, &AboutDilog::show_btn);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    // Keys the focused button does not handle itself reach the dialog as well.
    auto *button = dialog.findChild<QPushButton *>("pushButton");
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Escape);

    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(emissions(spy), QString("ff"));
}

void TestAbout::linkOpensWithDesktop()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("mailto", &catcher, "open");

    AboutDilog dialog;
    auto *label = dialog.findChild<QLabel *>("_textLabel");
    const QRegularExpressionMatch href
        = QRegularExpression("href=\"([^\"]+)\"").match(label->text());
    QVERIFY(href.hasMatch());
    emit label->linkActivated(href.captured(1));
    QDesktopServices::unsetUrlHandler("mailto");

    QCOMPARE(catcher.urls, QList<QUrl> {QUrl(href.captured(1))});
    QCOMPARE(catcher.urls.first().scheme(), QString("mailto"));
    QVERIFY(catcher.urls.first().path().endsWith("example.org"));
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
