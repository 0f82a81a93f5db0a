// Starts the configurator's real main window, waits until it has read the detector, and saves
// pictures of the main window and of the service form opened the way a user opens it.
#include "AboutDilog.h"
#include "DialogFont.h"
#include "MainWindow.h"
#include "config.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

const int readTimeout = 10000;

void run(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Keeps the event loop running, so the link's line ticks stay on time while we wait.
bool runUntil(const std::function<bool()> &condition, int timeout)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() >= timeout)
            return false;
        run(5);
    }
    return true;
}

config *findLink()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *link = qobject_cast<config *>(window))
            return link;
    }
    return nullptr;
}

bool fail(const QString &message)
{
    QTextStream(stderr) << "virel_screenshots: " << message << "\n";
    return false;
}

bool save(QWidget *widget, const QDir &directory, const QString &name)
{
    const QString path = directory.filePath(name);
    if (!widget->grab().save(path))
        return fail("cannot write " + path);
    QTextStream(stdout) << path << "\n";
    return true;
}

// "Справка", "О программе", the service code typed into the About dialog, the service button.
bool openServiceForm(MainWindow &window, config *link)
{
    QMenuBar *menuBar = window.menuBar();
    auto *menu = window.findChild<QMenu *>(QStringLiteral("menu_2"));
    auto *aboutAction = window.findChild<QAction *>(QStringLiteral("action_3"));
    auto *serviceButton = window.findChild<QPushButton *>(QStringLiteral("pushButton_cfg"));
    if (!menuBar || !menu || !aboutAction || !serviceButton)
        return fail("the main window lacks its menu or service button");

    QTest::mouseClick(menuBar, Qt::LeftButton, Qt::NoModifier,
        menuBar->actionGeometry(menu->menuAction()).center());
    if (!runUntil([menu] { return menu->isVisible(); }, 2000))
        return fail("the help menu did not open");
    QTest::mouseClick(
        menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(aboutAction).center());
    AboutDilog *about = nullptr;
    const bool aboutShown = runUntil(
        [&] {
            about = window.findChild<AboutDilog *>();
            return about && about->isVisible();
        },
        2000);
    if (!aboutShown)
        return fail("the About dialog did not open");

    QTest::keyClicks(about, QStringLiteral("604317"));
    if (!serviceButton->isVisible())
        return fail("the service code did not reveal the service button");
    QTest::mouseClick(serviceButton, Qt::LeftButton);
    if (!runUntil([link] { return link->isVisible(); }, 2000))
        return fail("the service form did not open");
    run(500);
    return true;
}

bool makeScreenshots(const QDir &directory)
{
    MainWindow window;
    window.show();
    config *link = findLink();
    if (!link)
        return fail("no detector link");

    bool read = false;
    QObject::connect(link, &config::signal_getConfig, link, [&read] { read = true; });
    auto *get = window.findChild<QPushButton *>(QStringLiteral("get"));
    const bool settled = runUntil(
        [&] { return read && get && get->isEnabled() && !link->exchangeRunning(); }, readTimeout);
    if (!settled)
        return fail("the detector's settings were not read; is the simulated bridge library on "
                    "the library path?");
    run(200);
    if (!save(&window, directory, QStringLiteral("main-window.png")))
        return false;
    return openServiceForm(window, link)
        && save(link, directory, QStringLiteral("service-form.png"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    applyDialogFont();
    const QStringList arguments = QApplication::arguments();
    const QDir directory(arguments.size() > 1 ? arguments.at(1) : QStringLiteral("docs"));
    if (!directory.exists() && !QDir().mkpath(directory.path())) {
        fail("cannot create " + directory.path());
        return 1;
    }
    return makeScreenshots(directory) ? 0 : 1;
}
