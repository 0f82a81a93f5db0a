#include "DialogFont.h"
#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    applyDialogFont();
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
