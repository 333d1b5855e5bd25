#include "common/win32/message_box_win32.h"

#include "common/win32/console_win32.h"

namespace melkrin {
namespace {

// Read by the crash handler from any thread; written once before that can happen.
volatile LONG unattendedFlag = 0;

}  // namespace

void setUnattended(bool unattended) { InterlockedExchange(&unattendedFlag, unattended ? 1 : 0); }

bool unattended() { return unattendedFlag != 0; }

int showMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type, int unattendedAnswer) {
    if (unattended()) {
        writeConsoleLine(caption + ": " + text);
        return unattendedAnswer;
    }
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace melkrin
