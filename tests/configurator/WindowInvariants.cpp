#include "WindowInvariants.h"

#include "MainWindowProbe.h"

#include <algorithm>

namespace {

struct ChannelControls
{
    QCheckBox *box;
    QSlider *slider;
    int level;
};

std::array<ChannelControls, 3> channels(const MainWindowProbe &probe)
{
    const MainWindowForm &f = probe.form();
    const DetectorSettings &s = probe.settings();
    return {{{f.checkBox_d_1, f.horizontalSlider, s.level1},
        {f.checkBox_d_2, f.horizontalSlider_2, s.level2},
        {f.checkBox_d_3, f.horizontalSlider_3, s.level3}}};
}

} // namespace

QStringList WindowInvariants::broken(const MainWindowProbe &probe)
{
    QStringList rules;
    const MainWindowForm &f = probe.form();
    const DetectorSettings &s = probe.settings();
    const std::array<ChannelControls, 3> all = channels(probe);
    for (int k = 0; k < 3; ++k) {
        const ChannelControls &c = all[k];
        const bool off = s.flags & (0x02 << k);
        if (off == c.box->isChecked())
            rules << "a channel's flag bit is set exactly when its box is unchecked";
        if (off && (c.slider->value() != 0 || c.slider->isEnabled() || c.level != 0))
            rules << "a channel that is off has its slider at 0, disabled, and level 0";
        if (!off && (!c.slider->isEnabled() || c.level != -c.slider->value()))
            rules << "a channel that is on has its level at minus its slider";
        if (c.level < 0 || c.level > 15)
            rules << "levels are 0 to 15";
    }
    if (s.angle != 5 * f.horizontalSlider_4->value())
        rules << "angle is 5 times the tilt slider";
    if (s.angle < 5 || s.angle > 45 || s.angle % 5 != 0)
        rules << "angle is a multiple of 5 from 5 to 45";
    if (bool(s.flags & 0x01) != f.checkBox->isChecked())
        rules << "bit 0 of flags is the single-impact box";
    if (s.flags & 0xF0)
        rules << "bits 4 to 7 of flags are 0";
    return rules;
}

QStringList WindowInvariants::notShowing(const MainWindowProbe &probe, const Reply &reply)
{
    QStringList rules = broken(probe);
    const MainWindowForm &f = probe.form();
    const std::uint8_t flags = reply[1];
    const int angle = std::int8_t(reply[2]);
    if (f.horizontalSlider_4->value() != std::clamp(angle / 5, 1, 9))
        rules << "the tilt slider shows the received angle";
    if (f.sLabel_7->text() != QString::number(angle) + QStringLiteral("º"))
        rules << "the tilt readout shows the received number";
    if (f.checkBox->isChecked() != bool(flags & 0x01))
        rules << "the single-impact box shows the received bit";
    const std::array<ChannelControls, 3> all = channels(probe);
    for (int k = 0; k < 3; ++k) {
        const bool on = !(flags & (0x02 << k));
        if (all[k].box->isChecked() != on)
            rules << "a channel's box shows the received bit";
        const int level = std::int8_t(reply[3 + k]);
        if (on && all[k].slider->value() != std::clamp(-level, -15, 0))
            rules << "a channel's slider shows the received level";
    }
    return rules;
}
