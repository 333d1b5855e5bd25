// Entry point of UpdHelper.exe.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "update_helper/helper_platform_win32.h"
#include "update_helper/swap_journal.h"

namespace {

// DLLs the helper (or the system on its behalf) loads later come from
// System32 only, never from the folder it was started from or the current
// one, where another program could have put its own. Looked up by name: the
// function came to Windows 7 with an update, and the helper starts without it.
void loadDllsFromSystem32Only() {
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                                         reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    if (setDefault) setDefault(kSearchSystem32);
    // Without it the current folder at least leaves the search.
    else SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace melkrin::updhelper;
    loadDllsFromSystem32Only();
    // Held until the helper ends (the system lets go of it however it ends).
    // A helper already at work owns the files: a second one would swap the
    // same files at the same time, so it leaves at once.
    HANDLE atWork = CreateMutexA(nullptr, FALSE, kHelperAtWorkName);
    if (atWork && GetLastError() == ERROR_ALREADY_EXISTS) return kSecondHelperExitCode;
    // The polls while Melkrin ends take no processor time from anything else.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    Win32HelperPlatform platform;
    // "replace <n>" and "delete <n>": the kill-point tests end the helper
    // after the n-th replaced or deleted file.
    char wanted[32] = {};
    const DWORD length = GetEnvironmentVariableA("MELKRIN_KILL_POINT", wanted, sizeof(wanted));
    if (length > 8 && length < sizeof(wanted) && std::strncmp(wanted, "replace ", 8) == 0)
        platform.killAfterReplacements = std::atoi(wanted + 8);
    if (length > 7 && length < sizeof(wanted) && std::strncmp(wanted, "delete ", 7) == 0)
        platform.killAfterDeletions = std::atoi(wanted + 7);
    const HelperResult result = runHelper(commandText(GetCommandLineA(), own), platform);
    return result == HelperResult::Restarted || result == HelperResult::Repaired ||
                   result == HelperResult::Information
               ? 0
               : 1;
}
