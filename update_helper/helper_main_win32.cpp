// Entry point of UpdHelper.exe.
#include <windows.h>

#include "update_helper/helper_platform_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace melkrin::updhelper;
    // The polls while Melkrin ends take no processor time from anything else.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    Win32HelperPlatform platform;
    const HelperResult result = runHelper(commandText(GetCommandLineA(), own), platform);
    return result == HelperResult::Restarted || result == HelperResult::Information ? 0 : 1;
}
