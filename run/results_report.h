#pragma once
// The HTML page of a run: header with the machine description, one block per
// resolution that gave a figure, closing lines. Values go in as they are:
// nothing is escaped, so a note may carry markup on purpose.
#include <string>
#include <vector>

namespace melkrin {

class FileSystem;
struct PassOutcome;
struct PassPlan;
struct PassStatistics;
struct QualityLabels;
struct SystemInfo;

class ResultsReport {
public:
    // Empties the page and writes the header. makerAddress ends the title.
    void header(const std::string& makerAddress, const std::string& startedAt, const SystemInfo& info,
                const std::string& note);
    void slotBlock(const std::string& heading, const std::string& demoFileName, const QualityLabels& labels,
                   const std::string& figure);
    // A resolution whose game was stopped by the time limit: the page says
    // which one and why, where its figure would have been.
    // A resolution played more than once: the Score line shows the mean, the
    // lines after it the passes and their spread.
    void passesBlock(const std::string& heading, const std::string& demoFileName, const QualityLabels& labels,
                     const PassPlan& plan, const std::vector<PassOutcome>& passes, const PassStatistics& statistics);
    void stoppedBlock(const std::string& heading, const std::string& demoFileName, const std::string& reason);
    void closing();

    // "result_" + stamp + ".htm" in the results folder; returns the path.
    // A folder that does not exist or cannot be written raises OsError.
    std::string save(FileSystem& files, const std::string& resultsFolder, const std::string& stamp) const;
    static std::string filePath(const std::string& resultsFolder, const std::string& stamp);

    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// The lines of a resolution played more than once, without markup: the
// number of passes, the spread, the interval, minimum and maximum, every figure.
std::vector<std::string> passLines(const PassPlan& plan, const std::vector<PassOutcome>& passes,
                                   const PassStatistics& statistics);

// The run's date and time turned into a file name part: ":", ".", "/", "-",
// "\" and blanks become "_".
std::string runStamp(const std::string& dateTime);

}  // namespace melkrin
