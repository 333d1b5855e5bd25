#include "common/debug_log.h"

#include "common/file_system.h"
#include "common/text.h"

namespace melkrin {

DebugLog::DebugLog(FileSystem& files, const std::string& programFolder)
    : files_(files), path_(programFolder + kFileName) {}

void DebugLog::save() { files_.writeFile(path_, toCrLfFile(lines_)); }

}  // namespace melkrin
