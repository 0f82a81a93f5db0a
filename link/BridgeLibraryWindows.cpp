#include "BridgeLibrary.h"

#include <windows.h>

void *BridgeLibrary::openModule(LoadResult &outcome)
{
    HMODULE handle = LoadLibraryW(L"SimpleIO-UM.dll");
    if (handle)
        outcome = LoadResult::Loaded;
    else
        outcome = GetLastError() == ERROR_MOD_NOT_FOUND ? LoadResult::NotFound : LoadResult::Failed;
    return handle;
}

BridgeLibrary::FunctionAddress BridgeLibrary::resolve(void *module, const char *name)
{
    return reinterpret_cast<FunctionAddress>(GetProcAddress(static_cast<HMODULE>(module), name));
}
