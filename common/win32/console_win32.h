#pragma once
// The console of whoever started the program. melkrin.exe is a windowed
// program, so Windows gives it no console of its own; started from cmd or
// PowerShell it borrows the parent's, and output redirected to a file or a
// pipe is used as it is.
#include <string>

namespace melkrin {

// Once at start-up; true when there is somewhere to write.
bool attachParentConsole();
// A line (CR LF added) or bytes as they are on standard output. Does nothing
// without a console; never throws, never waits for a person.
void writeConsoleLine(const std::string& line);
void writeConsole(const std::string& bytes);

}  // namespace melkrin
