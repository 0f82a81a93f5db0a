#pragma once

#include "DetectorSettings.h"

#include <QMainWindow>
#include <QPointF>
#include <QString>

#include <cstdint>

class AboutDilog;
class MainWindowForm;
class config;
class QCheckBox;
class QLabel;
class QPainter;
class QPixmap;
class QProgressBar;
class QSlider;

// The configurator's only screen: the detector's settings as controls, the connection state in
// the status bar, and the command buttons.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void setmem(int i);
    void setmem_2(int i);
    void setmem_3(int i);
    void setmem_d_1();
    void setmem_d_2();
    void setmem_d_3();
    void setmem_angle(int i);
    void setmem_flag(int);
    void conf_wgt();
    void file_wr();
    void set_connect();
    void set_dev_config(char in[6]);
    void set_curr_action(int, int, int);
    void test_button(bool b);
    void show_about();
    void get_connect();
    void slot_reset();

public slots:
    void buttonsEnable(bool b);
    void clearConnect();

private:
    // Lets the tests reach the settings and the private slots the way the link does.
    friend class MainWindowProbe;

    // The controls and the stored level of one detection channel (1 to 3).
    struct Channel
    {
        QCheckBox *box;
        QSlider *slider;
        QLabel *picture;
        QLabel *numberLabel;
        QLabel *replyLabel;
        std::int8_t *level;
        std::uint8_t offBit;
    };

    Channel channel(int number);
    void switchChannel(int number);
    void applyChannelReply(int number, std::uint8_t flags, std::int8_t level);
    QString degreeSign() const;
    void showConnection(const QString &text, Qt::GlobalColor colour);

    void fillStatusBar();
    void drawIndicator();
    void drawRamps();
    void connectControls();
    void connectLinkAndAbout();
    void releaseLink();
    void hideUnusedWidgets();

    QPointF rampPoints[3];
    MainWindowForm *form = nullptr;
    config *link = nullptr;
    std::int32_t savedRecord[3] = {0, 0, 0};
    QLabel *connectionLabel = nullptr;
    QLabel *indicatorLabel = nullptr;
    QPixmap *indicatorPixmap = nullptr;
    QPainter *indicatorPainter = nullptr;
    QPixmap *rampOffPixmap = nullptr;
    QPainter *rampOffPainter = nullptr;
    QPixmap *rampOnPixmap = nullptr;
    QPainter *rampOnPainter = nullptr;
    QProgressBar *progressBar = nullptr;
    DetectorSettings settings = {};
    AboutDilog *aboutDialog = nullptr;
};
