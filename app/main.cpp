#include "DialogFont.h"
#include "FontconfigWarmup.h"
#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Fontconfig reads its configuration while the application object connects to the display.
    FontconfigWarmup fonts;
    QApplication application(argc, argv);
    applyDialogFont();
    fonts.wait();
    int result = 0;
    {
        MainWindow window;
        window.setVisible(true);
        result = application.exec();
    }
    // A link that was still in an exchange when its window went is deleted here, before the
    // application object; no event loop runs any more to do it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
