#include "MainWindowForm.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTranslator>

#include <memory>

namespace {

struct Expected
{
    const char *name;
    const char *type;
    const char *parent;
};

// Every object of the form, in the order in which it has to be created.
const Expected formObjects[] = {
    {"action", "QAction", "MainWindow"},
    {"action_2", "QAction", "MainWindow"},
    {"action_3", "QAction", "MainWindow"},
    {"centralWidget", "QWidget", "MainWindow"},
    {"label", "QLabel", "centralWidget"},
    {"hand", "QPushButton", "centralWidget"},
    {"get", "QPushButton", "centralWidget"},
    {"save", "QPushButton", "centralWidget"},
    {"groupBox_1", "QGroupBox", "centralWidget"},
    {"textBrowser_3", "QTextBrowser", "groupBox_1"},
    {"horizontalSlider", "QSlider", "groupBox_1"},
    {"horizontalSlider_2", "QSlider", "groupBox_1"},
    {"horizontalSlider_3", "QSlider", "groupBox_1"},
    {"sLabel", "QLabel", "groupBox_1"},
    {"sLabel_2", "QLabel", "groupBox_1"},
    {"sLabel_3", "QLabel", "groupBox_1"},
    {"sLabel_5", "QLabel", "groupBox_1"},
    {"sLabel_6", "QLabel", "groupBox_1"},
    {"sLabel_4", "QLabel", "groupBox_1"},
    {"textBrowser_4", "QTextBrowser", "groupBox_1"},
    {"textBrowser_5", "QTextBrowser", "groupBox_1"},
    {"checkBox_d_1", "QCheckBox", "groupBox_1"},
    {"checkBox_d_2", "QCheckBox", "groupBox_1"},
    {"checkBox_d_3", "QCheckBox", "groupBox_1"},
    {"label_2", "QLabel", "groupBox_1"},
    {"checkBox", "QCheckBox", "groupBox_1"},
    {"label_d_2", "QLabel", "groupBox_1"},
    {"label_d_3", "QLabel", "groupBox_1"},
    {"label_d_1", "QLabel", "groupBox_1"},
    {"label_3", "QLabel", "groupBox_1"},
    {"label_4", "QLabel", "groupBox_1"},
    {"label_5", "QLabel", "groupBox_1"},
    {"label_6", "QLabel", "groupBox_1"},
    {"label_7", "QLabel", "groupBox_1"},
    {"label_8", "QLabel", "groupBox_1"},
    {"pushButton_cfg", "QPushButton", "centralWidget"},
    {"groupBox", "QGroupBox", "centralWidget"},
    {"textBrowser_6", "QTextBrowser", "groupBox"},
    {"sLabel_7", "QLabel", "groupBox"},
    {"label_21", "QLabel", "groupBox"},
    {"label_22", "QLabel", "groupBox"},
    {"horizontalSlider_4", "QSlider", "groupBox"},
    {"button_drop", "QPushButton", "centralWidget"},
    {"label_icn", "QLabel", "centralWidget"},
    {"menuBar", "QMenuBar", "MainWindow"},
    {"menu_2", "QMenu", "menuBar"},
    {"statusBar", "QStatusBar", "MainWindow"},
};

QString widgetText(const QWidget *widget)
{
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *group = qobject_cast<const QGroupBox *>(widget))
        return group->title();
    if (auto *browser = qobject_cast<const QTextBrowser *>(widget))
        return browser->toPlainText();
    return QString();
}

// Stands in for a translation file: every text of the main window's context gets a prefix.
class PrefixTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (QByteArray(context) != "MainWindow")
            return QString();
        return QStringLiteral("T:") + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void objects_data();
    void objects();
    void creationOrder();
    void widgets_data();
    void widgets();
    void styleSheets_data();
    void styleSheets();
    void sizePolicies_data();
    void sizePolicies();
    void sizeLimits_data();
    void sizeLimits();
    void frames();
    void sliders_data();
    void sliders();
    void window();
    void keepsWindowName();
    void menuAndActions();
    void degreeSigns();
    void richTextPanels_data();
    void richTextPanels();
    void textsGoThroughTranslation();

private:
    template<class T = QObject> T *object(const char *name) const
    {
        return mainWindow->findChild<T *>(QString::fromLatin1(name));
    }

    std::unique_ptr<QMainWindow> mainWindow;
    MainWindowForm form;
};

void TestMainWindowForm::init()
{
    mainWindow = std::make_unique<QMainWindow>();
    form = MainWindowForm();
    form.setupForm(mainWindow.get());
}

void TestMainWindowForm::cleanup()
{
    mainWindow.reset();
}

void TestMainWindowForm::objects_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("parent");
    for (const Expected &expected : formObjects)
        QTest::newRow(expected.name)
            << QString::fromLatin1(expected.type) << QString::fromLatin1(expected.parent);
}

void TestMainWindowForm::objects()
{
    QFETCH(QString, type);
    QFETCH(QString, parent);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QList<QObject *> found = mainWindow->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), type);
    QVERIFY(found.first()->parent());
    QCOMPARE(found.first()->parent()->objectName(), parent);
}

// Among siblings, the order of creation is the order of stacking: later ones lie on top.
void TestMainWindowForm::creationOrder()
{
    const QStringList parents
        = {"MainWindow", "centralWidget", "groupBox_1", "groupBox", "menuBar"};
    for (const QString &parentName : parents) {
        QStringList expected;
        for (const Expected &e : formObjects) {
            if (QString::fromLatin1(e.parent) == parentName)
                expected << QString::fromLatin1(e.name);
        }
        QObject *parent = parentName == QLatin1String("MainWindow")
            ? mainWindow.get()
            : mainWindow->findChild<QObject *>(parentName);
        QVERIFY(parent);
        QStringList actual;
        for (QObject *child : parent->children()) {
            if (expected.contains(child->objectName()))
                actual << child->objectName();
        }
        QCOMPARE(actual, expected);
    }
    // The channel boxes are drawn over their yellow panels, and take the clicks.
    auto *box = object<QCheckBox>("checkBox_d_2");
    QCOMPARE(form.groupBox_1->childAt(box->geometry().center()), box);
    QCOMPARE(form.groupBox_1->childAt(QPoint(195, 140)), box);
}

void TestMainWindowForm::widgets_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    const QString none;
    const QString min = QStringLiteral("min");
    const QString max = QStringLiteral("max");
    QTest::newRow("label") << QRect(9, 9, 281, 31) << QStringLiteral(" Конфигуратор \"Вирел - 3\"");
    QTest::newRow("hand") << QRect(540, 130, 81, 23) << QStringLiteral("-----");
    QTest::newRow("get") << QRect(540, 160, 81, 23) << QStringLiteral("Считать");
    QTest::newRow("save") << QRect(540, 189, 81, 23) << QStringLiteral("Сохранить");
    QTest::newRow("groupBox_1") << QRect(10, 60, 521, 291)
                                << QStringLiteral("Настройка дальности действия");
    QTest::newRow("textBrowser_3") << QRect(10, 180, 160, 71) << none;
    QTest::newRow("horizontalSlider") << QRect(190, 50, 300, 21) << none;
    QTest::newRow("horizontalSlider_2") << QRect(190, 130, 300, 21) << none;
    QTest::newRow("horizontalSlider_3") << QRect(190, 210, 300, 21) << none;
    QTest::newRow("sLabel") << QRect(480, 50, 30, 20) << none;
    QTest::newRow("sLabel_2") << QRect(480, 130, 30, 20) << none;
    QTest::newRow("sLabel_3") << QRect(480, 211, 30, 20) << none;
    QTest::newRow("sLabel_5") << QRect(210, 260, 25, 20) << none;
    QTest::newRow("sLabel_6") << QRect(250, 260, 25, 20) << none;
    QTest::newRow("sLabel_4") << QRect(300, 260, 25, 20) << none;
    QTest::newRow("textBrowser_4") << QRect(10, 20, 160, 71) << none;
    QTest::newRow("textBrowser_5") << QRect(10, 100, 160, 71) << none;
    QTest::newRow("checkBox_d_1") << QRect(
        20, 0, 141, 71) << QStringLiteral("    \n Газовое оборудование, \n ручная дрель;");
    QTest::newRow("checkBox_d_2")
        << QRect(20, 80, 191, 81)
        << QStringLiteral("\n\nЭлектрическая дрель, \nножовка по металлу, \nэлектролобзик,\n"
                          "ножвка по дереву;");
    QTest::newRow("checkBox_d_3") << QRect(20, 160, 131,
        81) << QStringLiteral("\nБолгарка, моолоток, \nперфоратор, кувалда,\nбензопила;");
    QTest::newRow("label_2") << QRect(10, 260, 160, 25) << none;
    QTest::newRow("checkBox") << QRect(20, 260, 151, 25)
                              << QStringLiteral("Тревога по одному удару");
    QTest::newRow("label_d_2") << QRect(190, 85, 291, 41) << none;
    QTest::newRow("label_d_3") << QRect(190, 165, 291, 41) << none;
    QTest::newRow("label_d_1") << QRect(190, 10, 291, 41) << none;
    QTest::newRow("label_3") << QRect(190, 66, 51, 20) << min;
    QTest::newRow("label_4") << QRect(480, 65, 41, 21) << max;
    QTest::newRow("label_5") << QRect(190, 150, 41, 16) << min;
    QTest::newRow("label_6") << QRect(480, 146, 41, 16) << max;
    QTest::newRow("label_7") << QRect(190, 228, 41, 16) << min;
    QTest::newRow("label_8") << QRect(480, 226, 41, 16) << max;
    QTest::newRow("pushButton_cfg") << QRect(290, 40, 75, 23) << QStringLiteral("PushButton");
    QTest::newRow("groupBox") << QRect(10, 360, 521, 71)
                              << QStringLiteral("Настройка угла наклона");
    QTest::newRow("textBrowser_6")
        << QRect(10, 20, 150, 41) << QStringLiteral("Обнаруживаемый угол наклона");
    QTest::newRow("sLabel_7") << QRect(480, 20, 30, 20) << none;
    QTest::newRow("label_21") << QRect(170, 50, 46, 13) << QStringLiteral("5º");
    QTest::newRow("label_22") << QRect(460, 50, 46, 13) << QStringLiteral("45º");
    QTest::newRow("horizontalSlider_4") << QRect(170, 20, 301, 21) << none;
    QTest::newRow("button_drop") << QRect(540, 220, 81, 23) << QStringLiteral("Сброс");
    QTest::newRow("label_icn") << QRect(290, 10, 201, 31) << none;
}

void TestMainWindowForm::widgets()
{
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    auto *widget = object<QWidget>(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widgetText(widget), text);
    QVERIFY(widget->toolTip().isEmpty());
    QVERIFY(widget->statusTip().isEmpty());
    QVERIFY(widget->whatsThis().isEmpty());
}

void TestMainWindowForm::styleSheets_data()
{
    QTest::addColumn<QString>("styleSheet");
    const QString yellow = QStringLiteral("background-color: rgb(255, 255, 127);");
    const QString border = QStringLiteral("border-color: rgb(85, 85, 255);");
    QTest::newRow("label") << QStringLiteral("font: 16pt \"MS Shell Dlg 2\";");
    for (const char *name :
        {"textBrowser_3", "textBrowser_4", "textBrowser_5", "label_2", "textBrowser_6"})
        QTest::newRow(name) << yellow;
    for (const char *name : {"sLabel", "sLabel_5", "sLabel_6", "sLabel_4"})
        QTest::newRow(name) << border;
    for (const char *name : {"sLabel_2", "sLabel_3", "sLabel_7", "hand", "checkBox_d_1",
             "horizontalSlider", "groupBox_1", "label_icn"})
        QTest::newRow(name) << QString();
}

void TestMainWindowForm::styleSheets()
{
    QFETCH(QString, styleSheet);
    auto *widget = object<QWidget>(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->styleSheet(), styleSheet);
}

void TestMainWindowForm::sizePolicies_data()
{
    QTest::addColumn<QSizePolicy::Policy>("horizontal");
    QTest::addColumn<QSizePolicy::Policy>("vertical");
    QTest::newRow("centralWidget") << QSizePolicy::Preferred << QSizePolicy::Ignored;
    QTest::newRow("groupBox_1") << QSizePolicy::Preferred << QSizePolicy::Ignored;
    QTest::newRow("label") << QSizePolicy::Preferred << QSizePolicy::Maximum;
    QTest::newRow("hand") << QSizePolicy::Minimum << QSizePolicy::Fixed;
    QTest::newRow("button_drop") << QSizePolicy::Minimum << QSizePolicy::Fixed;
    QTest::newRow("label_d_1") << QSizePolicy::Expanding << QSizePolicy::Expanding;
    QTest::newRow("textBrowser_6") << QSizePolicy::Maximum << QSizePolicy::Maximum;
}

void TestMainWindowForm::sizePolicies()
{
    QFETCH(QSizePolicy::Policy, horizontal);
    QFETCH(QSizePolicy::Policy, vertical);
    auto *widget = object<QWidget>(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->sizePolicy().horizontalPolicy(), horizontal);
    QCOMPARE(widget->sizePolicy().verticalPolicy(), vertical);
    QCOMPARE(widget->sizePolicy().horizontalStretch(), 0);
    QCOMPARE(widget->sizePolicy().verticalStretch(), 0);
}

void TestMainWindowForm::sizeLimits_data()
{
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    const QSize unlimited(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    for (const char *name : {"textBrowser_3", "textBrowser_4", "textBrowser_5"})
        QTest::newRow(name) << QSize(160, 50) << unlimited;
    for (const char *name : {"horizontalSlider", "horizontalSlider_2", "horizontalSlider_3"})
        QTest::newRow(name) << QSize(300, 0) << QSize(300, QWIDGETSIZE_MAX);
    for (const char *name : {"sLabel", "sLabel_2", "sLabel_3", "sLabel_7"})
        QTest::newRow(name) << QSize(30, 20) << unlimited;
    for (const char *name : {"sLabel_5", "sLabel_6", "sLabel_4"})
        QTest::newRow(name) << QSize(25, 20) << QSize(25, 20);
    QTest::newRow("textBrowser_6") << QSize(150, 30) << unlimited;
    QTest::newRow("horizontalSlider_4") << QSize(0, 0) << unlimited;
}

void TestMainWindowForm::sizeLimits()
{
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    auto *widget = object<QWidget>(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
}

void TestMainWindowForm::frames()
{
    QCOMPARE(form.label->frameShape(), QFrame::StyledPanel);
    QCOMPARE(form.label->margin(), 1);
    QCOMPARE(form.label->alignment(), Qt::AlignJustify | Qt::AlignVCenter);
    for (QLabel *readout : {form.sLabel, form.sLabel_2, form.sLabel_3, form.sLabel_4, form.sLabel_5,
             form.sLabel_6, form.sLabel_7}) {
        QCOMPARE(readout->frameShape(), QFrame::StyledPanel);
        QCOMPARE(readout->margin(), 0);
    }
    QCOMPARE(form.label_2->frameShape(), QFrame::StyledPanel);
    QCOMPARE(form.label_3->frameShape(), QFrame::NoFrame);
    QCOMPARE(form.groupBox_1->alignment(), int(Qt::AlignHCenter | Qt::AlignTop));
    QCOMPARE(form.groupBox->alignment(), int(Qt::AlignHCenter | Qt::AlignVCenter));
}

void TestMainWindowForm::sliders_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    for (const char *name : {"horizontalSlider", "horizontalSlider_2", "horizontalSlider_3"})
        QTest::newRow(name) << -15 << 0 << 0;
    QTest::newRow("horizontalSlider_4") << 1 << 9 << 1;
}

void TestMainWindowForm::sliders()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    auto *slider = object<QSlider>(QTest::currentDataTag());
    QVERIFY(slider);
    QCOMPARE(slider->minimum(), minimum);
    QCOMPARE(slider->maximum(), maximum);
    QCOMPARE(slider->value(), value);
    QCOMPARE(slider->singleStep(), 1);
    QCOMPARE(slider->pageStep(), 1);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->tickPosition(), QSlider::TicksBelow);
    QCOMPARE(slider->tickInterval(), 1);
}

void TestMainWindowForm::window()
{
    QCOMPARE(mainWindow->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(mainWindow->windowTitle(), QStringLiteral("MainWindow"));
    QCOMPARE(mainWindow->size(), QSize(640, 480));
    QCOMPARE(mainWindow->maximumSize(), QSize(640, 480));
    QCOMPARE(mainWindow->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(mainWindow->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(mainWindow->centralWidget(), form.centralWidget);
    QVERIFY(!form.centralWidget->layout());
    QCOMPARE(mainWindow->menuBar(), form.menuBar);
    QCOMPARE(mainWindow->statusBar(), form.statusBar);
    QCOMPARE(form.menuBar->geometry(), QRect(0, 0, 640, 20));
    QVERIFY(form.statusBar->children().size() <= 2); // its own layout and size grip only

    // The window can't grow, and the widgets keep their places when it shrinks.
    mainWindow->resize(800, 600);
    QCOMPARE(mainWindow->size(), QSize(640, 480));
    mainWindow->resize(500, 400);
    QCOMPARE(form.button_drop->geometry(), QRect(540, 220, 81, 23));
}

void TestMainWindowForm::keepsWindowName()
{
    QMainWindow named;
    named.setObjectName(QStringLiteral("Configurator"));
    MainWindowForm other;
    other.setupForm(&named);
    QCOMPARE(named.objectName(), QStringLiteral("Configurator"));
}

void TestMainWindowForm::menuAndActions()
{
    const QList<QAction *> barActions = form.menuBar->actions();
    QCOMPARE(barActions.size(), 1);
    QCOMPARE(barActions.first(), form.menu_2->menuAction());
    QCOMPARE(form.menu_2->title(), QStringLiteral("Справка"));
    QCOMPARE(form.menu_2->actions(), QList<QAction *>({form.action_3}));
    QCOMPARE(form.action_3->text(), QStringLiteral("О программе"));

    QCOMPARE(form.action->text(), QStringLiteral("Выход"));
    QCOMPARE(form.action->shortcut(), QKeySequence(QStringLiteral("Alt+X")));
    QCOMPARE(form.action->menuRole(), QAction::QuitRole);
    QVERIFY(!form.action->isCheckable());
    QCOMPARE(form.action_2->text(), QStringLiteral("тест"));
    QVERIFY(form.action_2->isCheckable());
    QVERIFY(!form.action_2->isChecked());
    QVERIFY(!form.action_3->isCheckable());
    QCOMPARE(form.action_3->menuRole(), QAction::TextHeuristicRole);

    // "Выход" and "тест" are offered nowhere.
    QVERIFY(form.action->associatedObjects().isEmpty());
    QVERIFY(form.action_2->associatedObjects().isEmpty());
    QCOMPARE(form.action_3->associatedObjects(), QList<QObject *>({form.menu_2}));
}

void TestMainWindowForm::degreeSigns()
{
    for (QLabel *label : {form.label_21, form.label_22}) {
        QVERIFY(label->text().endsWith(QChar(0x00BA)));
        QVERIFY(!label->text().contains(QChar(0x00B0)));
    }
    QCOMPARE(form.label_21->text().size(), 2);
}

void TestMainWindowForm::richTextPanels_data()
{
    QTest::addColumn<QString>("text");
    for (const char *name : {"textBrowser_3", "textBrowser_4", "textBrowser_5"})
        QTest::newRow(name) << QString();
    QTest::newRow("textBrowser_6") << QStringLiteral("Обнаруживаемый угол наклона");
}

void TestMainWindowForm::richTextPanels()
{
    QFETCH(QString, text);
    auto *browser = object<QTextBrowser>(QTest::currentDataTag());
    QVERIFY(browser);
    const QTextDocument *document = browser->document();
    QCOMPARE(document->blockCount(), 1);
    const QTextBlock block = document->firstBlock();
    QCOMPARE(block.text(), text);
    QCOMPARE(block.blockFormat().topMargin(), 0.0);
    QCOMPARE(block.blockFormat().bottomMargin(), 0.0);
    QCOMPARE(block.blockFormat().leftMargin(), 0.0);
    QCOMPARE(block.blockFormat().indent(), 0);
    QCOMPARE(block.blockFormat().textIndent(), 0.0);

    // The panels' text is set in 8 pt of the family given for the document's body.
    QTextCursor cursor(block);
    if (!text.isEmpty())
        cursor.movePosition(QTextCursor::NextCharacter);
    const QTextCharFormat format = text.isEmpty() ? block.charFormat() : cursor.charFormat();
    QCOMPARE(format.fontPointSize(), 8.0);
    QVERIFY(browser->toHtml().contains(QStringLiteral("MS Shell Dlg 2")));
}

void TestMainWindowForm::textsGoThroughTranslation()
{
    PrefixTranslator translator;
    QCoreApplication::installTranslator(&translator);
    form.retranslateForm(mainWindow.get());
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(mainWindow->windowTitle(), QStringLiteral("T:MainWindow"));
    QCOMPARE(form.button_drop->text(), QStringLiteral("T:Сброс"));
    QCOMPARE(form.menu_2->title(), QStringLiteral("T:Справка"));
    QCOMPARE(form.checkBox->text(), QStringLiteral("T:Тревога по одному удару"));
    QCOMPARE(form.label_21->text(), QStringLiteral("T:5º"));
    QVERIFY(form.action->shortcut() != QKeySequence(QStringLiteral("Alt+X")));
    QVERIFY(form.textBrowser_6->toHtml().contains(QStringLiteral("T:")));
    QVERIFY(form.sLabel->text().isEmpty());
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
