#include "BridgeLibrary.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>

namespace {

// The bare name, so that the dynamic loader's own search applies: LD_LIBRARY_PATH, the
// executable's RUNPATH, then the system's directories.
const char libraryName[] = "libSimpleIO-UM.so";

// True when the message is about the bridge library itself: its name stands at the start or
// after a blank, followed by a colon.
bool namesLibrary(const char *message)
{
    const std::size_t name = std::strlen(libraryName);
    for (const char *at = std::strstr(message, libraryName); at;
         at = std::strstr(at + 1, libraryName)) {
        if ((at == message || at[-1] == ' ') && at[name] == ':')
            return true;
    }
    return false;
}

// When no file of that name is on the search path, dlerror() names the library and ends with the
// system's text for ENOENT; any other message means a file was found but could not be loaded,
// a library it needs being missing included (dlerror() then names that one). Both texts come
// from the same C library in the same locale, so the comparison holds in any language.
bool isMissingFile(const char *message)
{
    if (!message || !namesLibrary(message))
        return false;
    const char *notFound = std::strerror(ENOENT);
    const std::size_t length = std::strlen(message);
    const std::size_t suffix = std::strlen(notFound);
    return length >= suffix && std::strcmp(message + length - suffix, notFound) == 0;
}

} // namespace

void *BridgeLibrary::openModule(LoadResult &outcome)
{
    dlerror();
    void *handle = dlopen(libraryName, RTLD_NOW);
    if (handle)
        outcome = LoadResult::Loaded;
    else
        outcome = isMissingFile(dlerror()) ? LoadResult::NotFound : LoadResult::Failed;
    return handle;
}

BridgeLibrary::FunctionAddress BridgeLibrary::resolve(void *module, const char *name)
{
    return reinterpret_cast<FunctionAddress>(dlsym(module, name));
}
