#pragma once
// The rules that turn the stored options into choices. The rules differ per
// value on purpose: stored settings of earlier installations must keep their
// meaning. The choices themselves live in the main window's controls, which
// the run reads when it needs a value; there is no second copy in memory.
#include <optional>
#include <string>

namespace melkrin {

enum class Renderer { OpenGL = 0, Direct3D = 1 };

namespace decode {

// Resolution flags, "CusRes" and "UseProxy": on only for exactly "1".
inline bool flagOn(const std::string& text) { return text == "1"; }
// "HDR": off only for exactly "0".
inline bool hdrOn(const std::string& text) { return text != "0"; }
// "Renderer": OpenGL only for exactly "0".
inline Renderer renderer(const std::string& text) {
    return text == "0" ? Renderer::OpenGL : Renderer::Direct3D;
}
// "AFLevel" (0..4), "AALevel" (0..3), "Demo" (1..4): the exact texts only.
std::optional<int> exactLevel(const std::string& text, int lowest, int highest);
inline std::optional<int> afLevel(const std::string& text) { return exactLevel(text, 0, 4); }
inline std::optional<int> aaLevel(const std::string& text) { return exactLevel(text, 0, 3); }
inline std::optional<int> demoChoice(const std::string& text) { return exactLevel(text, 1, 4); }
// "CusW" and "CusH" are used only when neither is exactly "0".
inline bool customSizeStored(const std::string& width, const std::string& height) {
    return width != "0" && height != "0";
}

}  // namespace decode

// The text written for a flag.
inline const char* flagText(bool on) { return on ? "1" : "0"; }

}  // namespace melkrin
