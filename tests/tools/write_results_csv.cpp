// Writes a results table as a run does, one run per note given (8-bit text,
// converted as Latin-1 as the system code page would), for a reader that
// opens it as a spreadsheet program would.
//
// usage: write_results_csv FILE NOTE...
#include <fstream>
#include <iostream>

#include "run/result_files.h"

int main(int argc, char** argv) {
    using namespace melkrin;
    if (argc < 3) {
        std::cerr << "usage: write_results_csv FILE NOTE...\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << kUtf8Bom << resultsCsvHeader();
    for (int i = 2; i < argc; ++i) {
        ResultRecord r;
        r.version = "1.2";
        r.startedAt = "2026-12-10T19:40:12";
        r.note = argv[i];
        r.machine.operatingSystem = "Windows 7";
        r.machine.cpuName = "CPU \"X\", 4 cores";
        r.machine.driverVersion = "=1+1";
        r.demoFile = "-custom.dem";
        r.plan.count = 3;
        r.plan.warmUp = true;
        r.timeLimit = 600;
        r.provenance.utcOffset = "+01:00";
        r.slots.push_back({0, "640x480", "60.00", "", false,
                           {{"59.00", 59.0, ""}, {"61.00", 61.0, ""}, {"", std::nullopt, "the game left no log"}},
                           passStatistics({59.0, 61.0})});
        out << resultsCsvRows(r, latin1ToUtf8);
    }
    return out.good() ? 0 : 1;
}
