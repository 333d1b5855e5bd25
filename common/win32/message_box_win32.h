#pragma once
// The one door to a message box for every part of the program (the crash
// handler and the update helper included). An unattended run ("/run /quiet")
// has nobody to click: no box is shown, its text goes to the console when the
// program has one, and the caller gets the answer it named for that case.
// scripts/check-message-boxes.py keeps every other file from calling
// MessageBox itself.
#include <windows.h>

#include <string>

namespace melkrin {

// Set once at start-up, before any box can be shown.
void setUnattended(bool unattended);
bool unattended();

// MessageBoxA's result, or unattendedAnswer without showing anything.
int showMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
                   int unattendedAnswer = IDOK);

}  // namespace melkrin
