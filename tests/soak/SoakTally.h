#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Counts by kind, in named sections, and prints them.
class SoakTally
{
public:
    void add(const QString &section, const QString &kind, long long count = 1);
    long long total(const QString &section) const;
    // Every section, in the order given, with its kinds and their counts; "none" when empty.
    void print(const QStringList &sections) const;

private:
    QMap<QString, QMap<QString, long long>> counts;
};
