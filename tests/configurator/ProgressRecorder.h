#pragma once

#include <QList>
#include <QObject>

class QProgressBar;
class config;

// What the status-bar progress bar showed after each progress report of the link. It listens
// after the window, so every entry is the bar as the window has just set it.
class ProgressRecorder : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        int total;
        int step;
        int cgi;
        bool visible;
        int value;
        int maximum;
    };

    ProgressRecorder(config *link, QProgressBar *bar);

    const QList<Entry> &entries() const { return seen; }
    // The reports between the n-th end report and the next one (n = 0: before the first end).
    QList<Entry> segment(int n = 0) const;
    int endReports() const;

private:
    void record(int total, int step, int cgi);

    QProgressBar *bar;
    QList<Entry> seen;
};
