// Configuration replies from the detector, decoded into the real main window: every six bytes of
// the input are one reply, received in turn by the same window.
#include "FuzzCheck.h"
#include "MainWindowProbe.h"
#include "WindowInvariants.h"

#include <QApplication>

#include <algorithm>

namespace {

MainWindowProbe *probe = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept to the end of the process; nothing runs the event loop, so no exchange starts.
    new QApplication(*argc, *argv);
    probe = new MainWindowProbe(new MainWindow);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    for (std::size_t at = 0; at + 6 <= size; at += 6) {
        WindowInvariants::Reply reply;
        std::copy(data + at, data + at + 6, reply.begin());
        probe->receive({reply[0], reply[1], reply[2], reply[3], reply[4], reply[5]});
        const QStringList broken = WindowInvariants::notShowing(*probe, reply);
        fuzzRequire(broken.isEmpty(), qPrintable(broken.join("; ")));
    }
    return 0;
}
