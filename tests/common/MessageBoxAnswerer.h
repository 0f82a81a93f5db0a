#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

// Answers the modal message boxes that a test provokes and records what each one showed.
// Boxes run nested event loops, so a timer that fires inside them does the clicking.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        bool hasParent;
    };

    explicit MessageBoxAnswerer(
        QMessageBox::StandardButton answer = QMessageBox::Ok, QObject *parent = nullptr);
    ~MessageBoxAnswerer() override;

    // Answers given in turn to the next boxes; once used up, the default answer applies.
    void queueAnswer(QMessageBox::StandardButton answer);
    void setDefaultAnswer(QMessageBox::StandardButton answer);

    const QList<Box> &boxes() const { return seen; }
    QStringList texts() const;
    void clear() { seen.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();

    QTimer timer;
    QMessageBox::StandardButton defaultAnswer;
    QList<QMessageBox::StandardButton> queued;
    QList<Box> seen;
    QPointer<QMessageBox> answering;
};
