#pragma once
#include <windows.h>

#include <string>

#include "common/errors.h"

namespace melkrin {

// The system's own message for an error code, without the trailing line break.
std::string systemMessage(DWORD code);
// An OsError for GetLastError(), its message prefixed by what was attempted.
[[noreturn]] void throwLastError(const std::string& what);
[[noreturn]] void throwOsError(DWORD code, const std::string& what);

}  // namespace melkrin
