#include "MessageBoxAnswerer.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer, QObject *parent)
    : QObject(parent)
    , defaultAnswer(answer)
{
    connect(&timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    timer.start(5);
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
