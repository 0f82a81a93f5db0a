// Linked into every Qt suite: a message box that no answerer of the test has taken on fails the
// running test at once, naming its title and text, and is closed, so that the suite goes on
// instead of waiting in the box's event loop until ctest's time-out.
#include "BoxAnswering.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

class UnexpectedBoxes : public QObject
{
public:
    using QObject::QObject;

protected:
    // Installed first, so it sees a box after the answerers' own filters have marked it.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (!box || event->type() != QEvent::Show || event->spontaneous()
            || BoxAnswering::isAnswered(box))
            return false;
        const QString what = QStringLiteral("unexpected message box \"%1\": %2")
                                 .arg(box->windowTitle(), box->text().simplified());
        // The box's own event loop starts after it is shown; only then can it be closed.
        QTimer::singleShot(0, box, [shown = QPointer<QMessageBox>(box)] {
            if (!shown)
                return;
            shown->close();
            if (shown->isVisible())
                shown->reject();
        });
        QTest::qFail(qPrintable(what), __FILE__, __LINE__);
        return false;
    }
};

void watchForUnexpectedBoxes()
{
    // Only a QApplication shows message boxes.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QCoreApplication::instance()->installEventFilter(new UnexpectedBoxes(qApp));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForUnexpectedBoxes)
