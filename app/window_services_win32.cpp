#include "app/window_services_win32.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

namespace melkrin {

void Win32Shell::open(const std::string& target, ShowCommand show) {
    ShellExecuteA(owner_, "open", target.c_str(), "", "", show == ShowCommand::Show ? SW_SHOW : SW_SHOWNORMAL);
}

std::optional<std::string> Win32FileDialogs::chooseFolder() {
    BROWSEINFOA info{};
    info.hwndOwner = owner_;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    if (!chosen) return std::nullopt;
    char path[MAX_PATH] = {};
    const bool ok = SHGetPathFromIDListA(chosen, path) != 0;
    CoTaskMemFree(chosen);
    if (!ok) return std::nullopt;
    return std::string(path);
}

std::optional<std::string> Win32FileDialogs::chooseFile(const std::string& title, const std::string& filter) {
    // "description|pattern" becomes the dialog's list of NUL-ended texts.
    std::string filters = filter;
    for (char& c : filters)
        if (c == '|') c = '\0';
    filters.append(2, '\0');
    char file[MAX_PATH] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof(file);
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog)) return std::nullopt;
    return std::string(file);
}

}  // namespace melkrin
