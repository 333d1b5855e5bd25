// Entry point of melkrin.exe.
#include <windows.h>
#include <commctrl.h>

#include "app/dialogs_win32.h"
#include "app/form1.h"
#include "app/form1_window_win32.h"
#include "app/platform_win32.h"
#include "common/file_system_win32.h"
#include "common/shell_file_op_win32.h"
#include "common/waits_win32.h"
#include "settings/registry_key_store_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace melkrin;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    Win32FileSystem files;
    RegistryKeyStore keys;
    Win32ShellFileOperation fileOp;
    Win32DisplayModes displayModes;
    Win32Dialogs dialogs;
    Win32Waits waits;

    Form1Window window(instance);
    fileOp.setOwner(window.hwnd());
    dialogs.setOwner(window.hwnd());

    TForm1 form(window.view(),
                Form1Services{keys, files, fileOp, displayModes, dialogs, waits, programFolderOfThisProcess()});
    form.FormCreate();
    window.show();

    HWND form2 = createHiddenForm(instance, "TForm2", scaleForWindow(window.hwnd(), 287), scaleForWindow(window.hwnd(), 100));
    HWND form3 = createHiddenForm(instance, "TForm3", scaleForWindow(window.hwnd(), 228), scaleForWindow(window.hwnd(), 502));

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    form.FormDestroy();
    DestroyWindow(form3);
    DestroyWindow(form2);
    return 0;
}
