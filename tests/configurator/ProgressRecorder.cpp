#include "ProgressRecorder.h"

#include "config.h"

#include <QProgressBar>

namespace {

const int endOfExchange = 33;

} // namespace

ProgressRecorder::ProgressRecorder(config *link, QProgressBar *bar)
    : bar(bar)
{
    connect(link, &config::action, this, &ProgressRecorder::record);
}

void ProgressRecorder::record(int total, int step, int cgi)
{
    seen.append({total, step, cgi, bar->isVisible(), bar->value(), bar->maximum()});
}

QList<ProgressRecorder::Entry> ProgressRecorder::segment(int n) const
{
    QList<Entry> part;
    int ends = 0;
    for (const Entry &entry : seen) {
        if (entry.cgi == endOfExchange) {
            if (ends++ == n)
                break;
            continue;
        }
        if (ends == n)
            part.append(entry);
    }
    return part;
}

int ProgressRecorder::endReports() const
{
    int ends = 0;
    for (const Entry &entry : seen)
        ends += entry.cgi == endOfExchange;
    return ends;
}
