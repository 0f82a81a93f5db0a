#pragma once

#include "MainWindow.h"
#include "MainWindowForm.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <array>

// Reaches into a main window the way the link does: the settings block, and the private slots
// through pointer-to-member connections.
class MainWindowProbe : public QObject
{
    Q_OBJECT

public:
    explicit MainWindowProbe(MainWindow *window)
        : window(window)
    {
        connect(this, &MainWindowProbe::configReceived, window, &MainWindow::set_dev_config);
        connect(this, &MainWindowProbe::progress, window, &MainWindow::set_curr_action);
        connect(this, &MainWindowProbe::handshakeOk, window, &MainWindow::set_connect);
        connect(this, &MainWindowProbe::disconnected, window, &MainWindow::clearConnect);
        connect(this, &MainWindowProbe::buttons, window, &MainWindow::buttonsEnable);
    }

    const DetectorSettings &settings() const { return window->settings; }
    // The settings block in memory order: level1, level2, level3, angle, flags.
    QList<int> stored() const
    {
        const DetectorSettings &s = window->settings;
        return {s.level1, s.level2, s.level3, s.angle, s.flags};
    }
    MainWindowForm &form() const { return *window->form; }
    QLabel *connectionLabel() const { return window->connectionLabel; }
    QLabel *indicatorLabel() const { return window->indicatorLabel; }
    QProgressBar *progressBar() const { return window->progressBar; }
    config *link() const { return window->link; }

    // A configuration reply: marker, flags, angle, level1, level2, level3.
    void receive(const std::array<int, 6> &bytes)
    {
        char in[6];
        for (int i = 0; i < 6; ++i)
            in[i] = char(bytes[i]);
        emit configReceived(in);
    }

    void callFileWrite() { window->file_wr(); }
    // A control of the given name whose click asks the window for a file operation.
    QPushButton *fileButton(const QString &name)
    {
        auto *button = new QPushButton(window);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, window, &MainWindow::file_wr);
        return button;
    }

    // Where a user clicks a check box: inside its indicator square.
    static QPoint indicatorPoint(QCheckBox *box)
    {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
    }

    static void click(QCheckBox *box)
    {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicatorPoint(box));
    }

    QColor dotColour() const { return window->indicatorLabel->pixmap().toImage().pixelColor(7, 7); }

signals:
    void configReceived(char in[6]);
    void progress(int total, int step, int cgi);
    void handshakeOk();
    void disconnected();
    void buttons(bool enabled);

private:
    MainWindow *window;
};
