#pragma once

#include <QMessageBox>
#include <QObject>

#include <functional>

// Answers every message box of the application the moment it is shown, as a chooser decides,
// without polling: a box run by a test at full speed costs no timer period.
class ChoosingBoxAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        // The button to press; NoButton closes the box as its title bar would.
        QMessageBox::StandardButton button = QMessageBox::Ok;
        int delay = 0; // milliseconds the box stays open
    };
    using Chooser = std::function<Answer(QMessageBox *box)>;

    explicit ChoosingBoxAnswerer(Chooser chooser, QObject *parent = nullptr);
    ~ChoosingBoxAnswerer() override;

    // Boxes shown and not yet hidden.
    int openBoxes() const { return open; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void give(QMessageBox *box, QMessageBox::StandardButton button);

    Chooser chooser;
    int open = 0;
};
