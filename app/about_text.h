#pragma once
// The text of the about page below the version.
#include <string>

namespace melkrin {

// developmentKey: the build trusts the repository's development key; the page
// then says so, so that such a build is never mistaken for a release.
std::string aboutText(bool developmentKey);

}  // namespace melkrin
