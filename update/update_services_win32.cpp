#include "update/update_services_win32.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "common/win32/message_box_win32.h"

namespace melkrin::update {

void Win32UpdateMessageBoxes::show(const std::string& text, const std::string& caption, MessageIcon icon) {
    UINT type = MB_OK;
    switch (icon) {
        case MessageIcon::Information: type |= MB_ICONINFORMATION; break;
        case MessageIcon::Warning: type |= MB_ICONWARNING; break;
        case MessageIcon::Error: type |= MB_ICONERROR; break;
    }
    showMessageBox(GetActiveWindow(), text, caption, type);
}

bool Win32OnlineTest::online() {
    std::optional<std::uint32_t> remote;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        DWORD value = 0, size = sizeof(value), type = 0;
        if (RegQueryValueExA(key, "Remote Connection", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            size == 4)
            remote = value;
        RegCloseKey(key);
    }
    std::vector<std::string> addresses;
    if (!remote) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) == 0) {
            char name[256];
            addrinfo hints{};
            hints.ai_family = AF_INET;
            addrinfo* found = nullptr;
            if (gethostname(name, sizeof(name)) == 0 && getaddrinfo(name, nullptr, &hints, &found) == 0) {
                for (addrinfo* a = found; a; a = a->ai_next) {
                    char text[INET_ADDRSTRLEN] = "";
                    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
                    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text))) addresses.push_back(text);
                }
                freeaddrinfo(found);
            }
            WSACleanup();
        }
    }
    return seemsOnline(remote, addresses);
}

}  // namespace melkrin::update
