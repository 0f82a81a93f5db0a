#include "ChoosingBoxAnswerer.h"

#include "BoxAnswering.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

ChoosingBoxAnswerer::ChoosingBoxAnswerer(Chooser chooser, QObject *parent)
    : QObject(parent)
    , chooser(std::move(chooser))
{
    QCoreApplication::instance()->installEventFilter(this);
}

ChoosingBoxAnswerer::~ChoosingBoxAnswerer()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool ChoosingBoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QMessageBox *>(watched);
    const bool shownOrHidden = event->type() == QEvent::Show || event->type() == QEvent::Hide;
    if (!box || !shownOrHidden || event->spontaneous())
        return false;
    if (event->type() == QEvent::Hide) {
        --open;
        return false;
    }
    ++open;
    BoxAnswering::markAnswered(box);
    const Answer answer = chooser(box);
    // The box's own event loop runs the answer, once exec() has started it.
    const QPointer<QMessageBox> shown(box);
    QTimer::singleShot(answer.delay, Qt::PreciseTimer, this, [shown, answer] {
        if (shown)
            give(shown, answer.button);
    });
    return false;
}

void ChoosingBoxAnswerer::give(QMessageBox *box, QMessageBox::StandardButton button)
{
    QAbstractButton *pressed = button == QMessageBox::NoButton ? nullptr : box->button(button);
    if (pressed) {
        pressed->click();
        return;
    }
    box->close();
    // A box without an escape button ignores being closed.
    if (box->isVisible())
        box->reject();
}
