// The yardstick for the configurator's start-up: a plain Qt Widgets window with a menu bar, a
// status bar and eight controls, built the obvious way, with the toolkit's default font and style.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

namespace {

template<class Widget> Widget *place(QWidget *parent, const QString &text, const QRect &geometry)
{
    auto *widget = new Widget(text, parent);
    widget->setGeometry(geometry);
    return widget;
}

QSlider *slider(QWidget *parent, const QRect &geometry)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(-15, 0);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setGeometry(geometry);
    return slider;
}

void fill(QMainWindow &window)
{
    auto *central = new QWidget(&window);
    place<QLabel>(central, QStringLiteral("Окно для сравнения"), QRect(10, 10, 280, 30));
    place<QCheckBox>(central, QStringLiteral("Первый канал"), QRect(10, 60, 160, 40));
    place<QCheckBox>(central, QStringLiteral("Второй канал"), QRect(10, 110, 160, 40));
    slider(central, QRect(190, 60, 300, 21));
    slider(central, QRect(190, 110, 300, 21));
    place<QPushButton>(central, QStringLiteral("Считать"), QRect(540, 60, 81, 23));
    place<QPushButton>(central, QStringLiteral("Сохранить"), QRect(540, 90, 81, 23));
    place<QPushButton>(central, QStringLiteral("Сброс"), QRect(540, 120, 81, 23));
    window.setCentralWidget(central);

    QMenu *menu = window.menuBar()->addMenu(QStringLiteral("Справка"));
    menu->addAction(QStringLiteral("О программе"));
    window.statusBar()->addWidget(new QLabel(QStringLiteral("Нет подключения")));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Голое окно"));
    window.resize(640, 480);
    fill(window);
    window.show();
    return application.exec();
}
