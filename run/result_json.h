#pragma once
// The JSON pieces that the result file and the scripted run's file share.
#include <nlohmann/json.hpp>

#include "run/result_files.h"

namespace melkrin {

// The result file's object.
nlohmann::ordered_json resultJsonObject(const ResultRecord& record, const TextToUtf8& toUtf8);
// [{"fps": 61.25}, {"fps": null, "reason": "..."}]
nlohmann::ordered_json passesJson(const std::vector<PassOutcome>& passes, const TextToUtf8& utf8);
// The statistics object, or null when no pass gave a figure.
nlohmann::ordered_json statisticsJson(const std::optional<PassStatistics>& statistics);
// 3 or "until stable".
nlohmann::ordered_json passesOptionJson(const PassPlan& plan);

}  // namespace melkrin
