#pragma once

#include <QStringList>

#include <array>
#include <cstdint>

class MainWindowProbe;

// What the main window keeps true between its controls and its settings block, and what its
// controls must show once it has decoded a configuration reply. Each check returns the names of
// the rules it found broken, so that a long run can count them.
class WindowInvariants
{
public:
    using Reply = std::array<std::uint8_t, 6>; // marker, flags, angle, level1, level2, level3

    static QStringList broken(const MainWindowProbe &probe);
    // The rules above, and the controls showing the reply clamped to what they can show.
    static QStringList notShowing(const MainWindowProbe &probe, const Reply &reply);
};
