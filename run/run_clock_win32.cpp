#include "run/run_clock_win32.h"

#include <windows.h>

#include <cstdio>

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

std::string Win32RunClock::isoDateTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

}  // namespace melkrin
