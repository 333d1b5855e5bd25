#include "app/win32/window_services_win32.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/errors.h"

namespace melkrin {

void Win32Shell::open(const std::string& target, ShowCommand show) {
    ShellExecuteA(owner_, "open", target.c_str(), "", "", show == ShowCommand::Show ? SW_SHOW : SW_SHOWNORMAL);
}

namespace {

// The path of a chosen folder in the 8-bit code page every stored value uses;
// a name that code page cannot hold is refused rather than stored garbled.
std::string narrowPath(const wchar_t* wide) {
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy)
        throw MelkrinError("The name of the chosen folder has characters that cannot be stored. Please, choose another folder.");
    std::string path(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path.data(), size, nullptr, nullptr);
    path.resize(static_cast<std::size_t>(size - 1));
    return path;
}

// The system's folder picker: a button for a new folder, context menus
// (rename, delete) on every folder, and hidden folders shown. Null when the
// system has none (then the older browse dialog serves).
std::optional<std::optional<std::string>> pickFolder(HWND owner) {
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(&dialog))))
        return std::nullopt;
    std::optional<std::string> chosen;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_FORCESHOWHIDDEN |
                       FOS_NOCHANGEDIR);
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&item))) {
        PWSTR path = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            try {
                chosen = narrowPath(path);
            } catch (...) {
                CoTaskMemFree(path);
                item->Release();
                dialog->Release();
                throw;
            }
            CoTaskMemFree(path);
        }
        item->Release();
    }
    dialog->Release();
    return chosen;
}

}  // namespace

std::optional<std::string> Win32FileDialogs::chooseFolder() {
    if (auto picked = pickFolder(owner_)) return *picked;
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
