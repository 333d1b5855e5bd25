// Builds history.htm in a folder of result files on this machine, through the
// same code as the program (the folder is read into memory first), so that a
// browser can open the page the program would write.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/errors.h"
#include "memory_file_system.h"
#include "run/history_page.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: build_history_page <folder>\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::string inMemory = "C:\\Results";
    melkrin::testing::MemoryFileSystem files;
    files.addFolder(inMemory);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files.addFile(inMemory + "\\" + entry.path().filename().string(), bytes.str());
    }
    melkrin::HistoryCounts counts;
    try {
        counts = melkrin::rebuildHistory(files, inMemory);
    } catch (const melkrin::OsError& e) {
        std::fprintf(stderr, "build_history_page: %s\n", e.what());
        return 1;
    }
    std::ofstream out(folder / "history.htm", std::ios::binary);
    out << files.content(inMemory + "\\history.htm");
    out.close();
    if (!out) {
        std::fprintf(stderr, "build_history_page: cannot write %s\n", (folder / "history.htm").c_str());
        return 1;
    }
    std::printf("%d runs, %d files left out\n", counts.runs, counts.skipped);
    return 0;
}
