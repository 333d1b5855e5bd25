#include "crash/crash_report.h"

#include <cstdio>

namespace melkrin::crash {
namespace {

struct KnownException {
    std::uint32_t code;
    const char* name;
};

// The codes a C++ program of ours can realistically die of.
constexpr KnownException kKnownExceptions[] = {
    {0xC0000005u, "access violation"},
    {0xC00000FDu, "stack overflow"},
    {0xC0000094u, "integer division by zero"},
    {0xC0000095u, "integer overflow"},
    {0xC000008Eu, "floating-point division by zero"},
    {0xC000001Du, "illegal instruction"},
    {0xC0000096u, "privileged instruction"},
    {0xC0000006u, "in-page error"},
    {0xC0000409u, "stack buffer overrun"},
    {0xC0000374u, "heap corruption"},
    {0x80000003u, "breakpoint"},
    {0x20474343u, "C++ exception"},
    {0xE06D7363u, "C++ exception"},
};

std::string hex32(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::string hexAddress(std::uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(address));
    return text;
}

std::string describeException(std::uint32_t code, const std::vector<std::uint64_t>& information) {
    std::string name = "unknown exception";
    for (const auto& known : kKnownExceptions)
        if (known.code == code) name = known.name;
    std::string text = name + " (" + hex32(code) + ")";
    // An access violation says what was tried: 0 read, 1 write, 8 execute.
    if ((code == 0xC0000005u || code == 0xC0000006u) && information.size() >= 2) {
        const std::uint64_t kind = information[0];
        const char* verb = kind == 0 ? "reading" : kind == 1 ? "writing" : kind == 8 ? "executing" : "at";
        text += std::string(" ") + verb + " address " + hexAddress(information[1]);
    }
    return text;
}

std::string crashFileStem(int year, int month, int day, int hour, int minute, int second) {
    char text[48];
    std::snprintf(text, sizeof text, "crash_%04d-%02d-%02d_%02d-%02d-%02d", year, month, day, hour, minute, second);
    return text;
}

std::vector<std::string> lastLines(const std::string& text, std::size_t count) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line.push_back(c);
            open = true;
        }
    }
    if (open) lines.push_back(line);
    if (lines.size() > count) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
    return lines;
}

std::string configOutcomeText(ConfigOutcome outcome) {
    switch (outcome) {
    case ConfigOutcome::NoRun:
        return "No benchmark was running; the game's configuration was not touched.";
    case ConfigOutcome::Restored:
        return "A benchmark was running: your own game configuration (Sam2.ini) has been put back.";
    case ConfigOutcome::NothingToDo:
        return "A benchmark was running but had not changed the game's configuration yet.";
    case ConfigOutcome::DefaultWritten:
        return "A benchmark was running. You had no game configuration of your own, so the game's default "
               "configuration (Sam2.ini) has been written in place of the benchmark's.";
    case ConfigOutcome::DefaultFailed:
        return "A benchmark was running. You had no game configuration of your own, and the game's default "
               "configuration could not be written: Sam2.ini still holds the benchmark's settings.";
    case ConfigOutcome::KeptForStartup:
        return "A benchmark was running. Your own game configuration is kept as Sam2_old.ini; "
               "the next start of Melkrin offers to put it back.";
    case ConfigOutcome::RestoreFailed:
        return "A benchmark was running and your own game configuration could not be put back yet. "
               "It is kept as Sam2_old.ini; the next start of Melkrin offers to put it back.";
    }
    return {};
}

std::vector<std::string> crashReportLines(const CrashFacts& facts) {
    std::vector<std::string> lines = {
        "Melkrin crash report",
        "",
        "Program version: " + (facts.programVersion.empty() ? std::string("(not set)") : facts.programVersion) +
            " (built as " + facts.buildVersion + ")",
        "Windows: " + facts.windowsVersion,
        "Time: " + facts.time,
        "Exception: " + facts.exception,
        "Address: " + facts.address,
        "Thread: " + facts.thread,
        "Game configuration: " + configOutcomeText(facts.config),
        "Minidump: " + (facts.dumpFile.empty() ? std::string("(could not be written)") : facts.dumpFile),
        "",
    };
    if (facts.debugLogTail.empty()) {
        lines.push_back("Debug log: (empty or not written yet)");
    } else {
        lines.push_back("Last lines of the debug log (debuginfo.txt):");
        for (const auto& line : facts.debugLogTail) lines.push_back("  " + line);
    }
    return lines;
}

std::string crashDialogText(ConfigOutcome outcome, const std::string& folder, const std::string& reportFile,
                            const std::string& dumpFile, const std::string& writeError,
                            const std::string& exception, const std::string& makerAddress) {
    std::string text = "Melkrin has stopped because of an unexpected error (" + exception + ").\r\n\r\n";
    text += configOutcomeText(outcome) + "\r\n\r\n";
    if (!writeError.empty()) {
        text += "No crash report could be written: " + writeError + "\r\n\r\n";
        text += "Please tell the maker (" + makerAddress + ") what you were doing and the error above.";
        return text;
    }
    text += "A crash report was written to the folder\r\n" + folder + "\r\n\r\n";
    text += dumpFile.empty() ? "Please send the file\r\n" + reportFile + "\r\n"
                             : "Please send the two files\r\n" + reportFile + "\r\n" + dumpFile + "\r\n";
    text += "to the maker (" + makerAddress + "), with a few words about what you were doing.";
    return text;
}

}  // namespace melkrin::crash
