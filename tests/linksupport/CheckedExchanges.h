#pragma once

#include "MessageBoxAnswerer.h"

#include <QByteArray>
#include <QString>

class LinkHarness;

// Runs the link's exchanges against the simulated detector and tells whether every byte of
// each came right: the handshake answered, the configuration read as stored, the write stored
// and verified. Each run carries other settings, so no run can pass on the bytes of the last.
class CheckedExchanges
{
public:
    enum class Kind { Handshake, Read, Write };

    explicit CheckedExchanges(LinkHarness &harness);

    // Runs one exchange to its end; `variant` picks the settings read or written.
    bool run(Kind kind, int variant);

    // Length of the exchange at exactly 2 ms a tick and exact waits.
    static double nominalMilliseconds(Kind kind);
    static QString name(Kind kind);

    // Answers the message boxes of these and any other exchanges on the link.
    MessageBoxAnswerer &answers() { return answerer; }

private:
    bool handshake();
    bool read(int variant);
    bool write(int variant);
    bool ended();
    static QByteArray settingsFor(int variant); // wire order: flags, angle, level1..3

    LinkHarness &harness;
    MessageBoxAnswerer answerer;
};
