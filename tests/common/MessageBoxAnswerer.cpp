#include "MessageBoxAnswerer.h"

#include "BoxAnswering.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer, QObject *parent)
    : QObject(parent)
    , defaultAnswer(answer)
{
    connect(&timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    timer.start(5);
    QCoreApplication::instance()->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

// Every box shown while the answerer lives is its to answer.
bool MessageBoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (box && event->type() == QEvent::Show)
        BoxAnswering::markAnswered(box);
    return false;
}

void MessageBoxAnswerer::queueAnswer(QMessageBox::StandardButton answer)
{
    queued.append(answer);
}

void MessageBoxAnswerer::setDefaultAnswer(QMessageBox::StandardButton answer)
{
    defaultAnswer = answer;
}

QStringList MessageBoxAnswerer::texts() const
{
    QStringList result;
    for (const Box &box : seen)
        result << box.text;
    return result;
}

void MessageBoxAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || box == answering || !box->isVisible())
        return;
    answering = box;
    seen.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
        box->parentWidget() != nullptr});
    const QMessageBox::StandardButton answer
        = queued.isEmpty() ? defaultAnswer : queued.takeFirst();
    QAbstractButton *button = box->button(answer);
    if (!button)
        button = box->escapeButton();
    if (button)
        button->click();
    else
        box->reject();
}
