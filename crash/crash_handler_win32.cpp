#include "crash/crash_handler_win32.h"

#include <dbghelp.h>

#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/win32/message_box_win32.h"
#include "crash/crash_hooks.h"

namespace melkrin::crash {
namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// Everything the handler needs is prepared at installation: a crash may come
// with a corrupt heap or no stack left, so it does as little as it can.
struct HandlerState {
    std::string makerAddress;
    std::string buildVersion;
    std::string windowsVersion;
    MiniDumpWriteDumpFn writeDump = nullptr;
    DWORD mainThread = 0;
    HANDLE mainThreadHandle = nullptr;
    // Set by the report once its files are written, before the dialog.
    HANDLE filesWritten = nullptr;
    volatile LONG reporting = 0;
    DWORD reporterThread = 0;
    // A C++ exception or abort in words, set before the handler takes over.
    std::string cxxReason;
};

// GetProcAddress's result as the function type it really has.
template <class Function>
Function procedure(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

HandlerState& state() {
    static HandlerState instance;
    return instance;
}

std::string windowsVersionText() {
    std::string text = "unknown";
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll) return text;
    // GetVersionEx answers 6.2 to programs without a compatibility manifest;
    // the kernel's own call tells the truth.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    if (auto rtlGetVersion = procedure<RtlGetVersionFn>(ntdll, "RtlGetVersion")) {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof(info);
        if (rtlGetVersion(&info) == 0) {
            text = "Windows " + std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) +
                   " build " + std::to_string(info.dwBuildNumber);
            if (info.wServicePackMajor) text += " Service Pack " + std::to_string(info.wServicePackMajor);
        }
    }
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    text += system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? ", 64-bit" : ", 32-bit";
    // Reports from Wine are worth telling apart.
    using WineVersionFn = const char*(CDECL*)();
    if (auto wineVersion = procedure<WineVersionFn>(ntdll, "wine_get_version"))
        text += std::string(", Wine ") + wineVersion();
    return text;
}

std::string localTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    wsprintfA(text, "%04d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    return text;
}

std::string stemNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return crashFileStem(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

std::string addressText(const void* address) {
    std::string text = hexAddress(reinterpret_cast<std::uint64_t>(address));
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module) &&
        module) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(module, path, MAX_PATH);
        const char* name = path;
        for (const char* c = path; *c; ++c)
            if (*c == '\\' || *c == '/') name = c + 1;
        text += std::string(" (") + name + "+" +
                hexAddress(static_cast<std::uint64_t>(static_cast<const char*>(address) -
                                                      reinterpret_cast<const char*>(module))) +
                ")";
    } else {
        text += " (outside every loaded module)";
    }
    return text;
}

std::string exceptionText(const EXCEPTION_RECORD& record) {
    std::vector<std::uint64_t> information;
    for (DWORD i = 0; i < record.NumberParameters && i < EXCEPTION_MAXIMUM_PARAMETERS; ++i)
        information.push_back(record.ExceptionInformation[i]);
    std::string text = describeException(record.ExceptionCode, information);
    if (!state().cxxReason.empty()) text = state().cxxReason;
    return text;
}

bool ensureFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates base + each part, one level at a time; the result ends in a backslash.
std::string makeFolders(std::string base, const std::vector<std::string>& parts) {
    if (base.empty()) return {};
    if (base.back() != '\\') base.push_back('\\');
    for (const auto& part : parts) {
        base += part;
        if (!ensureFolder(base)) return {};
        base.push_back('\\');
    }
    return base;
}

std::string lastErrorText(DWORD code) {
    char* buffer = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = buffer ? buffer : "";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text + " (" + std::to_string(code) + ")";
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool writeDump(const std::string& path, EXCEPTION_POINTERS* exception, DWORD threadId) {
    if (!state().writeDump) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    MINIDUMP_EXCEPTION_INFORMATION info{threadId, exception, FALSE};
    const auto type = static_cast<MINIDUMP_TYPE>(MiniDumpNormal | MiniDumpWithThreadInfo |
                                                 MiniDumpWithIndirectlyReferencedMemory);
    BOOL ok = state().writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, type,
                                exception ? &info : nullptr, nullptr, nullptr);
    if (!ok) ok = state().writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                                    exception ? &info : nullptr, nullptr, nullptr);
    CloseHandle(file);
    if (!ok) DeleteFileA(path.c_str());
    return ok != FALSE;
}

struct Crash {
    EXCEPTION_POINTERS* exception;
    DWORD threadId;
};

void reportAndEnd(const Crash& crash) {
    HandlerState& s = state();
    // First the user's data: the game's configuration back where a run changed it.
    const ConfigOutcome config = runConfigRestore();
    const std::string folder = crashFolder();
    WrittenReport written;
    if (folder.empty()) {
        written.error = "no folder for it could be created";
        written.exception = crash.exception ? exceptionText(*crash.exception->ExceptionRecord) : s.cxxReason;
    } else {
        written = writeCrashReport(crash.exception, crash.threadId, folder, config, s.buildVersion);
    }
    const std::string text = crashDialogText(config, written.folder, written.reportFile, written.dumpFile,
                                             written.error, written.exception, s.makerAddress);
    runCrashRecord({written.reportFile.empty() || !written.error.empty() ? std::string()
                                                                        : written.folder + written.reportFile,
                    written.exception});
    if (s.filesWritten) SetEvent(s.filesWritten);
    // Unattended ("/run /quiet") the text goes to the console and nothing waits.
    showMessageBox(nullptr, text, "Melkrin", MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST | MB_TASKMODAL);
    TerminateProcess(GetCurrentProcess(), kCrashedExitCode);
}

DWORD WINAPI reporterMain(LPVOID parameter) {
    reportAndEnd(*static_cast<Crash*>(parameter));
    return 0;
}

LONG WINAPI unhandledFilter(EXCEPTION_POINTERS* exception) {
    HandlerState& s = state();
    const DWORD self = GetCurrentThreadId();
    // A crash inside the report itself: nothing sensible is left to do.
    if (s.reporterThread == self) TerminateProcess(GetCurrentProcess(), kCrashedExitCode);
    // A second thread that crashes meanwhile waits for the first report's end.
    if (InterlockedExchange(&s.reporting, 1) != 0) {
        Sleep(INFINITE);
        return EXCEPTION_EXECUTE_HANDLER;
    }
    Crash crash{exception, self};
    // Everything of the program's own runs on the window's thread. When
    // another thread failed, that one is stopped first, so that no step of a
    // run writes over the configuration the report puts back.
    const bool mainStopped =
        self != s.mainThread && s.mainThreadHandle && SuspendThread(s.mainThreadHandle) != static_cast<DWORD>(-1);
    if (mainStopped) {
        // SuspendThread only asks; reading the thread's context waits until it has stopped.
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(s.mainThreadHandle, &context);
    }
    // The report runs on a fresh thread: the crashed one may have no stack left
    // (a stack overflow) and keeps its registers for the minidump.
    HANDLE reporter = CreateThread(nullptr, 256 * 1024, reporterMain, &crash, CREATE_SUSPENDED, &s.reporterThread);
    if (reporter) {
        ResumeThread(reporter);
        // A lock that the stopped thread happened to hold (the heap's) would
        // hold the report up for ever: after a while the thread goes on.
        if (mainStopped && s.filesWritten && WaitForSingleObject(s.filesWritten, 15000) == WAIT_TIMEOUT)
            ResumeThread(s.mainThreadHandle);
        WaitForSingleObject(reporter, INFINITE);
        CloseHandle(reporter);
    } else {
        s.reporterThread = self;
        reportAndEnd(crash);
    }
    TerminateProcess(GetCurrentProcess(), kCrashedExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The C++ runtime's own ends (std::terminate, a pure call, a bad argument)
// report from where they are: the captured context puts this thread's stack
// into the minidump. Raising a structured exception instead could be caught
// by a frame of the system's that catches everything, and the program would
// go on broken.
constexpr DWORD kCxxFailure = 0xE0000001u;

[[noreturn]] void endWith(const std::string& reason) {
    state().cxxReason = reason;
    EXCEPTION_RECORD record{};
    record.ExceptionCode = kCxxFailure;
    CONTEXT context{};
    RtlCaptureContext(&context);
#ifdef _WIN64
    record.ExceptionAddress = reinterpret_cast<PVOID>(context.Rip);
#else
    record.ExceptionAddress = reinterpret_cast<PVOID>(context.Eip);
#endif
    EXCEPTION_POINTERS pointers{&record, &context};
    unhandledFilter(&pointers);
    TerminateProcess(GetCurrentProcess(), kCrashedExitCode);
    std::abort();
}

void onTerminate() {
    std::string reason = "C++ exception that nothing caught";
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            reason = "C++ exception that nothing caught: " + std::string(error.what());
        } catch (...) {
            reason = "C++ exception of an unknown type that nothing caught";
        }
    } else {
        reason = "the C++ runtime ended the program (std::terminate)";
    }
    endWith(reason);
}

void onPureCall() { endWith("pure virtual function call"); }

void onInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
    endWith("invalid argument to a C runtime function");
}

}  // namespace

bool crashing() { return state().reporting != 0; }

std::string crashFolder() {
    const std::vector<std::string> parts = {"Quorvane", "Melkrin", "Crash reports"};
    char buffer[MAX_PATH] = "";
    // The user's own local application data: writable without administrator rights.
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string folder = makeFolders(buffer, parts);
        if (!folder.empty()) return folder;
    }
    const DWORD tempLength = GetTempPathA(MAX_PATH, buffer);
    if (tempLength > 0 && tempLength < MAX_PATH) return makeFolders(buffer, {"Melkrin crash reports"});
    return {};
}

WrittenReport writeCrashReport(EXCEPTION_POINTERS* exception, DWORD threadId, const std::string& folder,
                               ConfigOutcome config, const std::string& buildVersion) {
    HandlerState& s = state();
    WrittenReport written;
    written.folder = folder;
    const std::string stem = stemNow();
    written.reportFile = stem + ".txt";

    CrashFacts facts;
    facts.programVersion = programVersion();
    facts.buildVersion = buildVersion;
    facts.windowsVersion = s.windowsVersion.empty() ? windowsVersionText() : s.windowsVersion;
    facts.time = localTimeText();
    if (exception && exception->ExceptionRecord) {
        facts.exception = exceptionText(*exception->ExceptionRecord);
        facts.address = addressText(exception->ExceptionRecord->ExceptionAddress);
    } else {
        facts.exception = s.cxxReason.empty() ? "unknown" : s.cxxReason;
        facts.address = "unknown";
    }
    written.exception = facts.exception;
    facts.thread = std::to_string(threadId) +
                   (threadId == s.mainThread ? " (the window's thread)" : " (not the window's thread)");
    facts.config = config;
    if (!debugLogPath().empty()) facts.debugLogTail = lastLines(readWhole(debugLogPath()), kDebugLogLines);

    // The dump first: it matters most, and the report names it.
    if (writeDump(folder + stem + ".dmp", exception, threadId)) written.dumpFile = stem + ".dmp";
    facts.dumpFile = written.dumpFile;

    std::string text;
    for (const auto& line : crashReportLines(facts)) text += line + "\r\n";
    const std::string path = folder + written.reportFile;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    if (file == INVALID_HANDLE_VALUE) {
        written.error = "\"" + path + "\": " + lastErrorText(GetLastError());
        return written;
    }
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok || done != text.size()) written.error = "\"" + path + "\": " + lastErrorText(code);
    return written;
}

void installCrashHandler(const std::string& makerAddress, const std::string& buildVersion) {
    HandlerState& s = state();
    s.makerAddress = makerAddress;
    s.buildVersion = buildVersion;
    s.windowsVersion = windowsVersionText();
    s.mainThread = GetCurrentThreadId();
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &s.mainThreadHandle,
                    THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE, 0);
    s.filesWritten = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Room for the handler on a thread whose stack has overflowed.
    ULONG guarantee = 64 * 1024;
    SetThreadStackGuarantee(&guarantee);
    // dbghelp ships with Windows; loaded now, not in the middle of a crash.
    s.writeDump = procedure<MiniDumpWriteDumpFn>(LoadLibraryA("dbghelp.dll"), "MiniDumpWriteDump");

    SetUnhandledExceptionFilter(unhandledFilter);
    std::set_terminate(onTerminate);
    _set_purecall_handler(onPureCall);
    _set_invalid_parameter_handler(onInvalidParameter);
    // 64-bit Windows swallows exceptions in timer callbacks by default, which
    // would let a run go on in a broken state; switch that off where possible.
    using SetObjectInfoFn = BOOL(WINAPI*)(HANDLE, int, PVOID, DWORD);
    if (auto set = procedure<SetObjectInfoFn>(GetModuleHandleA("user32.dll"), "SetUserObjectInformationW")) {
        BOOL suppress = FALSE;
        constexpr int kTimerProcExceptionSuppression = 7;
        set(GetCurrentProcess(), kTimerProcExceptionSuppression, &suppress, sizeof(suppress));
    }
}

}  // namespace melkrin::crash
