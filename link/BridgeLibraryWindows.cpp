#include "BridgeLibrary.h"

#include <windows.h>

#include <string>

namespace {

const wchar_t libraryName[] = L"SimpleIO-UM.dll";

// Only the program's own folder and the system folder are searched: a library of that name in
// the working directory or on PATH could be anyone's, and would run inside the configurator.
constexpr DWORD searchFolders = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;

// Windows reports a missing library the library needs with the same error as a missing
// library, so the file itself is looked for beside the program.
bool besideProgram()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()))) == path.size())
        path.resize(path.size() * 2);
    if (length == 0)
        return false;
    path.resize(length);
    path.replace(path.find_last_of(L"\\/") + 1, std::wstring::npos, libraryName);
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

void *BridgeLibrary::openModule(LoadResult &outcome)
{
    HMODULE handle = LoadLibraryExW(libraryName, nullptr, searchFolders);
    if (handle)
        outcome = LoadResult::Loaded;
    else if (GetLastError() == ERROR_MOD_NOT_FOUND && !besideProgram())
        outcome = LoadResult::NotFound;
    else
        outcome = LoadResult::Failed;
    return handle;
}

BridgeLibrary::FunctionAddress BridgeLibrary::resolve(void *module, const char *name)
{
    return reinterpret_cast<FunctionAddress>(GetProcAddress(static_cast<HMODULE>(module), name));
}
