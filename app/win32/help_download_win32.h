#pragma once
#include <windows.h>

#include "app/window_services.h"

namespace melkrin {

// Each fetch through the update's own transfer client (its caps, redirect
// rules and stall limit), with the message loop running meanwhile so that
// the windows stay painted; the owner window takes no input until it ends.
class Win32HelpDownloader final : public HelpDownloader {
public:
    void setOwner(HWND owner) { owner_ = owner; }
    HelpFetch fetch(const std::string& url, std::uint64_t maxBytes, const std::string& agent) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace melkrin
