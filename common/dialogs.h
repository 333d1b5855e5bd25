#pragma once
// Modal message boxes, as a seam: fixed English sentences, OK for information
// and errors, Yes and No for questions.
#include <string>

namespace melkrin {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Information or a refusal: the text alone with an OK button.
    virtual void showMessage(const std::string& text) = 0;
    // The application-wide error display: an error that ended a handler.
    virtual void showError(const std::string& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool confirm(const std::string& text) = 0;
};

}  // namespace melkrin
