#pragma once
#include "update/update_checker.h"

namespace melkrin::update {

// The component's message boxes: OK, its caption and icon, owned by the
// active window of the thread so they stay in front of the program.
class Win32UpdateMessageBoxes final : public UpdateMessageBoxes {
public:
    void show(const std::string& text, const std::string& caption, MessageIcon icon) override;
};

// The dial-up service's "Remote Connection" value, else the addresses of
// the machine's own host name.
class Win32OnlineTest final : public OnlineTest {
public:
    bool online() override;
};

}  // namespace melkrin::update
