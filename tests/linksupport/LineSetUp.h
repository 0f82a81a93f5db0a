#pragma once

#include <QString>

// How the simulated detector and bridge behave in one timing set-up: an ideal or a polling
// detector, instant or slow bridge calls, and whether the GUI thread is stalled meanwhile.
struct LineSetUp
{
    QString name;
    unsigned int pollingPeriodMicroseconds = 0; // 0: the detector reacts at once
    unsigned int pinWriteMicroseconds = 0; // SetPin and ClearPin
    unsigned int pinReadMicroseconds = 0; // ReadPin
    bool stalls = false;

    // Sets the simulated device up so; its looks start off the PC's tick grid.
    void apply() const;

    static LineSetUp ideal();
    // A detector looking at its clock input once a millisecond.
    static LineSetUp polling(bool stalls);
    // The polling detector behind a bridge whose calls take as long as USB HID reports.
    static LineSetUp slowBridge(bool stalls);
};
