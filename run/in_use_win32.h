#pragma once
#include "run/result_log.h"

namespace melkrin {

// Win32FileInUseProbe: the exclusive-open test of a file that the game may still write.
class Win32FileInUseProbe final : public FileInUseProbe {
public:
    bool isInUse(const std::string& path) override;
};

}  // namespace melkrin
