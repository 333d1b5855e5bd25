#pragma once
// What a result file records about the run beyond its figures: the identity
// of the programs involved, the moment's time zone and a run identity. The
// platform answers; the logic turns the answers into the file's texts.
#include <cstddef>
#include <optional>
#include <string>

namespace melkrin {

class RunFacts {
public:
    virtual ~RunFacts() = default;
    // The full path of this program's own file (melkrin.exe).
    virtual std::string programPath() = 0;
    // The file version of a program's version resource ("2.0.0.1"); none
    // when the file has none or cannot be read.
    virtual std::optional<std::string> fileVersion(const std::string& path) = 0;
    // count bytes of the system's cryptographic generator; throws OsError.
    virtual std::string randomBytes(std::size_t count) = 0;
    // The local time's offset from UTC at this moment, in minutes, east positive.
    virtual int utcOffsetMinutes() = 0;
    // Seconds of a steady clock that no clock change moves, for durations.
    virtual double steadySeconds() = 0;
};

// A random (version 4) UUID in lower-case 8-4-4-4-12 form from 16 bytes.
std::string uuidFromRandomBytes(const std::string& bytes);
// "+01:00", "-03:30", "+00:00".
std::string utcOffsetText(int minutes);

}  // namespace melkrin
