#pragma once

#include <thread>

// Reads fontconfig's configuration on a thread of its own while the application object is being
// built. The toolkit would read it on the GUI thread when the first text is laid out, some 8 ms
// of the start-up's CPU time, and nothing before that needs it. Where the toolkit does not take
// its fonts from fontconfig this does nothing.
class FontconfigWarmup
{
public:
    FontconfigWarmup();
    ~FontconfigWarmup();
    FontconfigWarmup(const FontconfigWarmup &) = delete;
    FontconfigWarmup &operator=(const FontconfigWarmup &) = delete;

    // Returns once the configuration is read. Call it before the first text is laid out: a
    // toolkit that found it still missing would read it a second time alongside.
    void wait();

private:
    // A plain thread: Qt's own may not be started before the application object exists.
    std::thread thread;
};
