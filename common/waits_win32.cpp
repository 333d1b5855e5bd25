#include "common/waits_win32.h"

#include <windows.h>

namespace melkrin {

void Win32Waits::sleep(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace melkrin
