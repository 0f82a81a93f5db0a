// The pin-direction mask typed into the service form, as set() reads it. The input is the text,
// in UTF-8. The simulated bridge's trace shows what reached the bridge.
#include "ConfigForm.h"
#include "FuzzCheck.h"
#include "SimControl.h"
#include "config.h"

#include <QApplication>
#include <QLineEdit>

#include <optional>
#include <vector>

namespace {

config *serviceLink = nullptr;

// The masks passed to one kind of bridge call since the trace was cleared.
std::vector<unsigned long> masksPassed(SimCall call)
{
    std::vector<unsigned long> masks;
    for (std::size_t i = 0; i < sim_trace_size(); ++i) {
        const SimTraceEntry entry = sim_trace_at(i);
        if (entry.call == call)
            masks.push_back(entry.arg);
    }
    return masks;
}

bool asciiBlank(QChar c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// ASCII blanks, an optional sign and up to 31 binary digits: the mask it must give, clamped to
// a byte.
std::optional<unsigned> plainBinary(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && asciiBlank(text[from]))
        ++from;
    while (to > from && asciiBlank(text[to - 1]))
        --to;
    const QString digits = text.mid(from, to - from);
    const bool negative = digits.startsWith('-');
    const QString body = digits.mid(negative || digits.startsWith('+') ? 1 : 0);
    if (body.isEmpty() || body.size() > 31)
        return std::nullopt;
    unsigned value = 0;
    for (QChar c : body) {
        if (c != '0' && c != '1')
            return std::nullopt;
        value = value * 2 + (c == '1');
    }
    if (negative && value != 0)
        return 255;
    return value > 255 ? 255 : value;
}

bool hasForeignCharacter(const QString &text)
{
    for (QChar c : text) {
        if (!c.isSpace() && c != '0' && c != '1' && c != '+' && c != '-')
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    // The simulated bridge is linked in, so the link finds it by name.
    serviceLink = new config(new DetectorSettings {});
    sim_trace_enable(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString typed = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    serviceLink->clr();
    sim_trace_clear();
    serviceLink->form->setLine->setText(typed);
    serviceLink->set();

    const QString shown = serviceLink->form->setLine->text();
    const std::vector<unsigned long> mcp = masksPassed(SIM_CONFIGURE_MCP2200);
    const std::vector<unsigned long> io = masksPassed(SIM_CONFIGURE_IO);
    if (shown == QLatin1String("ERROR!")) {
        fuzzRequire(mcp.empty() && io.empty(), "a refused mask reaches no bridge call");
    } else {
        bool ok = false;
        const unsigned mask = shown.toUInt(&ok, 2);
        fuzzRequire(ok && mask <= 255 && QString::number(mask, 2) == shown,
            "an accepted mask shows as a byte in base 2");
        fuzzRequire(mcp == std::vector<unsigned long> {mask} && io == mcp,
            "the mask shown is the one passed to ConfigureMCP2200 and ConfigureIO, once each");
    }
    if (const std::optional<unsigned> expected = plainBinary(typed))
        fuzzRequire(shown == QString::number(*expected, 2), "a binary number gives its mask");
    if (hasForeignCharacter(typed))
        fuzzRequire(shown == QLatin1String("ERROR!"), "a text with other characters is refused");
    return 0;
}
