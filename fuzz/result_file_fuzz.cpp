// A result file of the results folder, as the history page reads it: anyone
// may drop any file there. Whatever it holds, reading it ends, and a run read
// from it puts no markup of its own into the page.
#include "fuzz_support.h"
#include "run/history_page.h"

#include <string>

using namespace melkrin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string whyNot;
    auto run = parseResultFile(fuzz::bytesOf(data, size), &whyNot);
    fuzz::require(run.has_value() != !whyNot.empty(), "a file is either read or refused with a reason");
    if (!run) return 0;
    run->file = "result_fuzz.json";
    const std::string page = historyPage({*run, *run}, {{"result_other.json", whyNot}});
    std::size_t scripts = 0;
    for (auto at = page.find("<script"); at != std::string::npos; at = page.find("<script", at + 1)) ++scripts;
    fuzz::require(scripts == 2, "only the page's own two script elements");
    fuzz::require(page.find("<iframe") == std::string::npos && page.find("<img") == std::string::npos,
                  "no element taken from the file");
    return 0;
}
