// A result file of the results folder, as the history page reads it: anyone
// may drop any file there. Whatever it holds, reading it ends, and a run read
// from it puts no markup of its own into the page.
#include "fuzz_support.h"
#include "run/history_page.h"

#include <string>

using namespace melkrin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HistoryRun run;
    try {
        run = parseResultFile(fuzz::bytesOf(data, size));
    } catch (const ResultFileRefused& refused) {
        fuzz::require(*refused.what() != '\0', "a file is either read or refused with a reason");
        return 0;
    }
    run.file = "result_fuzz.json";
    const std::string page = historyPage({run, run}, {{"result_other.json", ""}});
    std::size_t scripts = 0;
    for (auto at = page.find("<script"); at != std::string::npos; at = page.find("<script", at + 1)) ++scripts;
    fuzz::require(scripts == 3, "only the page's own three script elements (data, statistics, comparison)");
    fuzz::require(page.find("<iframe") == std::string::npos && page.find("<img") == std::string::npos,
                  "no element taken from the file");
    return 0;
}
