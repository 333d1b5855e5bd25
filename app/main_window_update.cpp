// The main window's share of the online update: the "Update benchmark"
// button and the three messages it adds to the update component's own.
#include <cctype>
#include <climits>

#include "app/main_window.h"
#include "common/errors.h"
#include "common/text.h"

namespace melkrin {
namespace {

constexpr const char* kUpdateAborted = "Update aborted.";
constexpr const char* kNoInternet = "No internet connection.";

// A whole number as the user typed it (blanks around it allowed), or the
// conversion error the application's error display reports.
int wholeNumber(const std::string& text) {
    const std::string t = trim(text);
    std::size_t i = 0;
    const bool negative = !t.empty() && t[0] == '-';
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) i = 1;
    long long value = 0;
    bool digits = false;
    for (; i < t.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(t[i]))) {
            digits = false;
            break;
        }
        digits = true;
        value = value * 10 + (t[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            digits = false;
            break;
        }
    }
    if (negative) value = -value;
    if (!digits || value > INT_MAX || value < INT_MIN) throw MelkrinError("'" + text + "' is not a valid integer value");
    return static_cast<int>(value);
}

}  // namespace

void MainWindow::onUpdateClicked() {
    if (!updateProxy_ || !startUpdateCheck_) throw MelkrinError("The online update is not ready yet");
    update::HttpProxy& proxy = *updateProxy_;
    if (view_.checked(ControlId::UseProxyBox)) {
        // The port first: a field without a number changes nothing and starts nothing.
        const int port = wholeNumber(view_.text(ControlId::ProxyPortEdit));
        proxy.proxyServer = view_.text(ControlId::ProxyServerEdit);
        proxy.proxyPort = port;
        proxy.proxyUsername = view_.text(ControlId::ProxyUsernameEdit);
        proxy.proxyPassword = view_.text(ControlId::ProxyPassEdit);
        proxy.accessType = update::HttpAccessType::UseProxy;
    } else {
        proxy.accessType = update::HttpAccessType::Direct;
    }
    startUpdateCheck_();
}

void MainWindow::onUpdateAborted() { services_.dialogs.showMessage(kUpdateAborted); }
void MainWindow::onUpgradeLater() { services_.dialogs.showMessage(kUpdateAborted); }
void MainWindow::onUpdateHostUnreachable() { services_.dialogs.showMessage(kNoInternet); }

}  // namespace melkrin
