// Entry point of UpdHelper.exe.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "update_helper/helper_platform_win32.h"
#include "update_helper/swap_journal.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace melkrin::updhelper;
    // The polls while Melkrin ends take no processor time from anything else.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    Win32HelperPlatform platform;
    // Held until the helper ends (the system lets go of it however it ends).
    CreateMutexA(nullptr, FALSE, kHelperAtWorkName);
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
