#include "FontconfigWarmup.h"

#include <QThread>

#ifdef VIREL_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontconfigWarmup::FontconfigWarmup()
{
#ifdef VIREL_FONTCONFIG
    // If the thread cannot start, the toolkit reads the configuration itself, as it would anyway.
    thread = QThread::create([] { FcInit(); });
    thread->start();
#endif
}

FontconfigWarmup::~FontconfigWarmup()
{
    wait();
}

void FontconfigWarmup::wait()
{
    if (!thread)
        return;
    thread->wait();
    delete thread;
    thread = nullptr;
}
