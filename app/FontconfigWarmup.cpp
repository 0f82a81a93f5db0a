#include "FontconfigWarmup.h"

#include <system_error>

#ifdef VIREL_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontconfigWarmup::FontconfigWarmup()
{
#ifdef VIREL_FONTCONFIG
    // If the thread cannot start, the toolkit reads the configuration itself, as it would anyway.
    try {
        thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) { }
#endif
}

FontconfigWarmup::~FontconfigWarmup()
{
    wait();
}

void FontconfigWarmup::wait()
{
    if (thread.joinable())
        thread.join();
}
