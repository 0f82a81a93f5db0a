#include "SoakTally.h"

#include <cstdio>

void SoakTally::add(const QString &section, const QString &kind, long long count)
{
    counts[section][kind] += count;
}

long long SoakTally::total(const QString &section) const
{
    long long sum = 0;
    for (long long count : counts.value(section))
        sum += count;
    return sum;
}

void SoakTally::print(const QStringList &sections) const
{
    for (const QString &section : sections) {
        const QMap<QString, long long> kinds = counts.value(section);
        std::printf("%s: %lld\n", qPrintable(section), total(section));
        if (kinds.isEmpty())
            std::printf("  none\n");
        for (auto it = kinds.begin(); it != kinds.end(); ++it)
            std::printf("  %8lld  %s\n", it.value(), qPrintable(it.key()));
    }
    std::fflush(stdout);
}
