#pragma once

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPushButton;
class QSlider;
class QStatusBar;
class QTextBrowser;
class QWidget;

// The widgets of the main screen, placed by hand. The members are declared in the order in
// which setupForm creates them; every widget is owned by the window it is built on.
class MainWindowForm
{
public:
    QAction *action = nullptr;
    QAction *action_2 = nullptr;
    QAction *action_3 = nullptr;
    QWidget *centralWidget = nullptr;
    QLabel *label = nullptr;
    QPushButton *hand = nullptr;
    QPushButton *get = nullptr;
    QPushButton *save = nullptr;
    QGroupBox *groupBox_1 = nullptr;
    QTextBrowser *textBrowser_3 = nullptr;
    QSlider *horizontalSlider = nullptr;
    QSlider *horizontalSlider_2 = nullptr;
    QSlider *horizontalSlider_3 = nullptr;
    QLabel *sLabel = nullptr;
    QLabel *sLabel_2 = nullptr;
    QLabel *sLabel_3 = nullptr;
    QLabel *sLabel_5 = nullptr;
    QLabel *sLabel_6 = nullptr;
    QLabel *sLabel_4 = nullptr;
    QTextBrowser *textBrowser_4 = nullptr;
    QTextBrowser *textBrowser_5 = nullptr;
    QCheckBox *checkBox_d_1 = nullptr;
    QCheckBox *checkBox_d_2 = nullptr;
    QCheckBox *checkBox_d_3 = nullptr;
    QLabel *label_2 = nullptr;
    QCheckBox *checkBox = nullptr;
    QLabel *label_d_2 = nullptr;
    QLabel *label_d_3 = nullptr;
    QLabel *label_d_1 = nullptr;
    QLabel *label_3 = nullptr;
    QLabel *label_4 = nullptr;
    QLabel *label_5 = nullptr;
    QLabel *label_6 = nullptr;
    QLabel *label_7 = nullptr;
    QLabel *label_8 = nullptr;
    QPushButton *pushButton_cfg = nullptr;
    QGroupBox *groupBox = nullptr;
    QTextBrowser *textBrowser_6 = nullptr;
    QLabel *sLabel_7 = nullptr;
    QLabel *label_21 = nullptr;
    QLabel *label_22 = nullptr;
    QSlider *horizontalSlider_4 = nullptr;
    QPushButton *button_drop = nullptr;
    QLabel *label_icn = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *menu_2 = nullptr;
    QStatusBar *statusBar = nullptr;

    void setupForm(QMainWindow *window);
    void retranslateForm(QMainWindow *window);

private:
    void setupWindow(QMainWindow *window);
    void setupActions(QMainWindow *window);
    void setupHeader(QMainWindow *window);
    void setupRangeGroup();
    void setupReadouts();
    void setupChannelChecks();
    void setupPictures();
    void setupTiltGroup();
    void setupBars(QMainWindow *window);

    void retranslateActions(QMainWindow *window);
    void retranslateRangeGroup();
    void retranslateTiltGroup();
};
