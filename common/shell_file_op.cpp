#include "common/shell_file_op.h"

#include "common/file_system.h"

namespace melkrin {

void PlainFileOperation::move(const std::string& from, const std::string& to) {
    (void)files_.moveFile(from, to);
}

void PlainFileOperation::copy(const std::string& from, const std::string& to) {
    (void)files_.copyFile(from, to);
}

}  // namespace melkrin
