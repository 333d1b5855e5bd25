#include "run/run_clock_win32.h"

#include <windows.h>

namespace melkrin {

std::string Win32RunClock::dateTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[128] = {};
    char time[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof(date));
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, sizeof(time));
    return std::string(date) + " " + time;
}

}  // namespace melkrin
