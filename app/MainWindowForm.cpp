#include "MainWindowForm.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPushButton>
#include <QSizePolicy>
#include <QSlider>
#include <QStatusBar>
#include <QTextBrowser>

namespace {

const char yellowPanelStyle[] = "background-color: rgb(255, 255, 127);";
const char readoutStyle[] = "border-color: rgb(85, 85, 255);";

// Rich-text documents of the yellow panels and of the tilt caption.
const char emptyPanelHtml[]
    = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
      "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
      "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
      "p, li { white-space: pre-wrap; }\n"
      "</style></head><body style=\" font-family:'MS Shell Dlg 2'; font-size:8.25pt; "
      "font-weight:400; font-style:normal;\">\n"
      "<p style=\"-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; "
      "margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;\"></p></body></html>";

const char tiltCaptionHtml[]
    = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
      "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
      "<html><head><meta name=\"qrichtext\" content=\"1\" /><style type=\"text/css\">\n"
      "p, li { white-space: pre-wrap; }\n"
      "</style></head><body style=\" font-family:'MS Shell Dlg 2'; font-size:8.25pt; "
      "font-weight:400; font-style:normal;\">\n"
      "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
      "-qt-block-indent:0; text-indent:0px;\"><span style=\" font-size:8pt;\">"
      "Обнаруживаемый угол наклона</span></p></body></html>";

QString translated(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QSizePolicy policy(QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical)
{
    QSizePolicy result(horizontal, vertical);
    result.setHorizontalStretch(0);
    result.setVerticalStretch(0);
    return result;
}

template<class Widget> Widget *place(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QTextBrowser *yellowPanel(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *panel = place<QTextBrowser>(parent, name, geometry);
    panel->setMinimumSize(QSize(160, 50));
    panel->setStyleSheet(QString::fromLatin1(yellowPanelStyle));
    return panel;
}

// Levels run from -15 at the "min" end to 0 at the "max" end, one tick per step.
QSlider *levelSlider(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *slider = place<QSlider>(parent, name, geometry);
    slider->setMinimumSize(QSize(300, 0));
    slider->setMaximumSize(QSize(300, QWIDGETSIZE_MAX));
    slider->setMinimum(-15);
    slider->setMaximum(0);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    slider->setValue(0);
    slider->setOrientation(Qt::Horizontal);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    return slider;
}

QLabel *readout(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *label = place<QLabel>(parent, name, geometry);
    label->setMinimumSize(QSize(30, 20));
    label->setFrameShape(QFrame::StyledPanel);
    label->setMargin(0);
    return label;
}

QLabel *styledReadout(QWidget *parent, const char *name, const QRect &geometry)
{
    QLabel *label = readout(parent, name, geometry);
    label->setStyleSheet(QString::fromLatin1(readoutStyle));
    return label;
}

QLabel *smallReadout(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *label = place<QLabel>(parent, name, geometry);
    label->setMinimumSize(QSize(25, 20));
    label->setMaximumSize(QSize(25, 20));
    label->setStyleSheet(QString::fromLatin1(readoutStyle));
    label->setFrameShape(QFrame::StyledPanel);
    label->setMargin(0);
    return label;
}

} // namespace

void MainWindowForm::setupForm(QMainWindow *window)
{
    setupWindow(window);
    setupActions(window);
    setupHeader(window);
    setupRangeGroup();
    setupReadouts();
    setupChannelChecks();
    setupPictures();
    setupTiltGroup();
    setupBars(window);

    retranslateForm(window);
    QMetaObject::connectSlotsByName(window);
}

void MainWindowForm::setupWindow(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QString::fromLatin1("MainWindow"));
    window->resize(640, 480);
    window->setSizePolicy(policy(QSizePolicy::Maximum, QSizePolicy::Fixed));
    window->setMaximumSize(QSize(640, 480));
}

void MainWindowForm::setupActions(QMainWindow *window)
{
    action = new QAction(window);
    action->setObjectName(QString::fromLatin1("action"));
    action->setMenuRole(QAction::QuitRole);
    action_2 = new QAction(window);
    action_2->setObjectName(QString::fromLatin1("action_2"));
    action_2->setCheckable(true);
    action_3 = new QAction(window);
    action_3->setObjectName(QString::fromLatin1("action_3"));
}

void MainWindowForm::setupHeader(QMainWindow *window)
{
    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QString::fromLatin1("centralWidget"));
    centralWidget->setSizePolicy(policy(QSizePolicy::Preferred, QSizePolicy::Ignored));

    label = place<QLabel>(centralWidget, "label", QRect(9, 9, 281, 31));
    label->setSizePolicy(policy(QSizePolicy::Preferred, QSizePolicy::Maximum));
    label->setStyleSheet(QString::fromLatin1("font: 16pt \"MS Shell Dlg 2\";"));
    label->setFrameShape(QFrame::StyledPanel);
    label->setMargin(1);
    label->setAlignment(Qt::AlignJustify | Qt::AlignVCenter);

    hand = place<QPushButton>(centralWidget, "hand", QRect(540, 130, 81, 23));
    hand->setSizePolicy(policy(QSizePolicy::Minimum, QSizePolicy::Fixed));
    get = place<QPushButton>(centralWidget, "get", QRect(540, 160, 81, 23));
    save = place<QPushButton>(centralWidget, "save", QRect(540, 189, 81, 23));
}

void MainWindowForm::setupRangeGroup()
{
    groupBox_1 = place<QGroupBox>(centralWidget, "groupBox_1", QRect(10, 60, 521, 291));
    groupBox_1->setSizePolicy(policy(QSizePolicy::Preferred, QSizePolicy::Ignored));
    groupBox_1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    textBrowser_3 = yellowPanel(groupBox_1, "textBrowser_3", QRect(10, 180, 160, 71));
    horizontalSlider = levelSlider(groupBox_1, "horizontalSlider", QRect(190, 50, 300, 21));
    horizontalSlider_2 = levelSlider(groupBox_1, "horizontalSlider_2", QRect(190, 130, 300, 21));
    horizontalSlider_3 = levelSlider(groupBox_1, "horizontalSlider_3", QRect(190, 210, 300, 21));
}

void MainWindowForm::setupReadouts()
{
    sLabel = styledReadout(groupBox_1, "sLabel", QRect(480, 50, 30, 20));
    sLabel_2 = readout(groupBox_1, "sLabel_2", QRect(480, 130, 30, 20));
    sLabel_3 = readout(groupBox_1, "sLabel_3", QRect(480, 211, 30, 20));
    sLabel_5 = smallReadout(groupBox_1, "sLabel_5", QRect(210, 260, 25, 20));
    sLabel_6 = smallReadout(groupBox_1, "sLabel_6", QRect(250, 260, 25, 20));
    sLabel_4 = smallReadout(groupBox_1, "sLabel_4", QRect(300, 260, 25, 20));
}

void MainWindowForm::setupChannelChecks()
{
    textBrowser_4 = yellowPanel(groupBox_1, "textBrowser_4", QRect(10, 20, 160, 71));
    textBrowser_5 = yellowPanel(groupBox_1, "textBrowser_5", QRect(10, 100, 160, 71));
    checkBox_d_1 = place<QCheckBox>(groupBox_1, "checkBox_d_1", QRect(20, 0, 141, 71));
    checkBox_d_2 = place<QCheckBox>(groupBox_1, "checkBox_d_2", QRect(20, 80, 191, 81));
    checkBox_d_3 = place<QCheckBox>(groupBox_1, "checkBox_d_3", QRect(20, 160, 131, 81));

    label_2 = place<QLabel>(groupBox_1, "label_2", QRect(10, 260, 160, 25));
    label_2->setStyleSheet(QString::fromLatin1(yellowPanelStyle));
    label_2->setFrameShape(QFrame::StyledPanel);
    checkBox = place<QCheckBox>(groupBox_1, "checkBox", QRect(20, 260, 151, 25));
}

void MainWindowForm::setupPictures()
{
    label_d_2 = place<QLabel>(groupBox_1, "label_d_2", QRect(190, 85, 291, 41));
    label_d_3 = place<QLabel>(groupBox_1, "label_d_3", QRect(190, 165, 291, 41));
    label_d_1 = place<QLabel>(groupBox_1, "label_d_1", QRect(190, 10, 291, 41));
    label_d_1->setSizePolicy(policy(QSizePolicy::Expanding, QSizePolicy::Expanding));

    label_3 = place<QLabel>(groupBox_1, "label_3", QRect(190, 66, 51, 20));
    label_4 = place<QLabel>(groupBox_1, "label_4", QRect(480, 65, 41, 21));
    label_5 = place<QLabel>(groupBox_1, "label_5", QRect(190, 150, 41, 16));
    label_6 = place<QLabel>(groupBox_1, "label_6", QRect(480, 146, 41, 16));
    label_7 = place<QLabel>(groupBox_1, "label_7", QRect(190, 228, 41, 16));
    label_8 = place<QLabel>(groupBox_1, "label_8", QRect(480, 226, 41, 16));
}

void MainWindowForm::setupTiltGroup()
{
    pushButton_cfg = place<QPushButton>(centralWidget, "pushButton_cfg", QRect(290, 40, 75, 23));

    groupBox = place<QGroupBox>(centralWidget, "groupBox", QRect(10, 360, 521, 71));
    groupBox->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    textBrowser_6 = place<QTextBrowser>(groupBox, "textBrowser_6", QRect(10, 20, 150, 41));
    textBrowser_6->setSizePolicy(policy(QSizePolicy::Maximum, QSizePolicy::Maximum));
    textBrowser_6->setMinimumSize(QSize(150, 30));
    textBrowser_6->setStyleSheet(QString::fromLatin1(yellowPanelStyle));
    sLabel_7 = readout(groupBox, "sLabel_7", QRect(480, 20, 30, 20));
    label_21 = place<QLabel>(groupBox, "label_21", QRect(170, 50, 46, 13));
    label_22 = place<QLabel>(groupBox, "label_22", QRect(460, 50, 46, 13));

    // One step per 5 degrees: 1 is 5º, 9 is 45º.
    horizontalSlider_4 = place<QSlider>(groupBox, "horizontalSlider_4", QRect(170, 20, 301, 21));
    horizontalSlider_4->setMinimum(1);
    horizontalSlider_4->setMaximum(9);
    horizontalSlider_4->setSingleStep(1);
    horizontalSlider_4->setPageStep(1);
    horizontalSlider_4->setValue(1);
    horizontalSlider_4->setOrientation(Qt::Horizontal);
    horizontalSlider_4->setTickPosition(QSlider::TicksBelow);
    horizontalSlider_4->setTickInterval(1);

    button_drop = place<QPushButton>(centralWidget, "button_drop", QRect(540, 220, 81, 23));
    button_drop->setSizePolicy(policy(QSizePolicy::Minimum, QSizePolicy::Fixed));
    label_icn = place<QLabel>(centralWidget, "label_icn", QRect(290, 10, 201, 31));
}

void MainWindowForm::setupBars(QMainWindow *window)
{
    menuBar = place<QMenuBar>(window, "menuBar", QRect(0, 0, 640, 20));
    menu_2 = new QMenu(menuBar);
    menu_2->setObjectName(QString::fromLatin1("menu_2"));
    statusBar = new QStatusBar(window);
    statusBar->setObjectName(QString::fromLatin1("statusBar"));

    window->setCentralWidget(centralWidget);
    window->setMenuBar(menuBar);
    window->setStatusBar(statusBar);
    menuBar->addAction(menu_2->menuAction());
    menu_2->addAction(action_3);
}

void MainWindowForm::retranslateForm(QMainWindow *window)
{
    retranslateActions(window);
    retranslateRangeGroup();
    retranslateTiltGroup();
}

void MainWindowForm::retranslateActions(QMainWindow *window)
{
    window->setWindowTitle(translated("MainWindow"));
    action->setText(translated("Выход"));
    action->setShortcut(QKeySequence(translated("Alt+X")));
    action_2->setText(translated("тест"));
    action_3->setText(translated("О программе"));
    label->setText(translated(" Конфигуратор \"Вирел - 3\""));
    hand->setText(translated("-----"));
    get->setText(translated("Считать"));
    save->setText(translated("Сохранить"));
}

void MainWindowForm::retranslateRangeGroup()
{
    groupBox_1->setTitle(translated("Настройка дальности действия"));
    textBrowser_3->setHtml(translated(emptyPanelHtml));
    for (QLabel *readoutLabel : {sLabel, sLabel_2, sLabel_3, sLabel_5, sLabel_6, sLabel_4})
        readoutLabel->setText(QString());
    textBrowser_4->setHtml(translated(emptyPanelHtml));
    textBrowser_5->setHtml(translated(emptyPanelHtml));
    checkBox_d_1->setText(translated("    \n"
                                     " Газовое оборудование, \n"
                                     " ручная дрель;"));
    checkBox_d_2->setText(translated("\n"
                                     "\n"
                                     "Электрическая дрель, \n"
                                     "ножовка по металлу, \n"
                                     "электролобзик,\n"
                                     "ножвка по дереву;"));
    checkBox_d_3->setText(translated("\n"
                                     "Болгарка, моолоток, \n"
                                     "перфоратор, кувалда,\n"
                                     "бензопила;"));
    label_2->setText(QString());
    checkBox->setText(translated("Тревога по одному удару"));
    for (QLabel *picture : {label_d_2, label_d_3, label_d_1})
        picture->setText(QString());
    for (QLabel *minLabel : {label_3, label_5, label_7})
        minLabel->setText(translated("min"));
    for (QLabel *maxLabel : {label_4, label_6, label_8})
        maxLabel->setText(translated("max"));
}

void MainWindowForm::retranslateTiltGroup()
{
    pushButton_cfg->setText(translated("PushButton"));
    groupBox->setTitle(translated("Настройка угла наклона"));
    textBrowser_6->setHtml(translated(tiltCaptionHtml));
    sLabel_7->setText(QString());
    label_21->setText(translated("5º"));
    label_22->setText(translated("45º"));
    button_drop->setText(translated("Сброс"));
    label_icn->setText(QString());
    menu_2->setTitle(translated("Справка"));
}
