#include "gameconfig/quality_settings.h"

#include <initializer_list>

#include "gameconfig/game_config_file.h"
#include "common/debug_log.h"

namespace melkrin {
namespace {

// One choice of one setting: the line it must end up with, the other values
// of the setting in the order they are looked for, the label and the log line.
struct SettingRow {
    const char* target;
    std::initializer_list<const char*> replaced;
    const char* label;
    const char* logValue;
};

const SettingRow kHdrRows[] = {
    {"gfx_bHDRRendering = 0;", {"gfx_bHDRRendering = 1;"}, "HDR rendering: Disabled",
     "HDR rendering value: gfx_bHDRRendering = 0;"},
    {"gfx_bHDRRendering = 1;", {"gfx_bHDRRendering = 0;"}, "HDR rendering: Enabled",
     "HDR rendering value: gfx_bHDRRendering = 1;"},
};

const SettingRow kAntialiasingRows[] = {
    {"gfx_iAntiAliasing = 0;", {"gfx_iAntiAliasing = 3;", "gfx_iAntiAliasing = 1;", "gfx_iAntiAliasing = 2;"},
     "Antialiasing: None", "Antialiasing value: gfx_iAntiAliasing = 0;"},
    {"gfx_iAntiAliasing = 1;", {"gfx_iAntiAliasing = 0;", "gfx_iAntiAliasing = 2;", "gfx_iAntiAliasing = 3;"},
     "Antialiasing: Low", "Antialiasing value: gfx_iAntiAliasing = 1;"},
    {"gfx_iAntiAliasing = 2;", {"gfx_iAntiAliasing = 0;", "gfx_iAntiAliasing = 1;", "gfx_iAntiAliasing = 3;"},
     "Antialiasing: Medium", "Antialiasing value: gfx_iAntiAliasing = 2;"},
    {"gfx_iAntiAliasing = 3;", {"gfx_iAntiAliasing = 0;", "gfx_iAntiAliasing = 1;", "gfx_iAntiAliasing = 2;"},
     "Antialiasing: High", "Antialiasing value: gfx_iAntiAliasing = 3;"},
};

// No filtering is the game's value 1; the value 0 is never written or looked for.
const SettingRow kFilteringRows[] = {
    {"tex_iAnisotropy = 1;",
     {"tex_iAnisotropy = 2;", "tex_iAnisotropy = 4;", "tex_iAnisotropy = 8;", "tex_iAnisotropy = 16;"},
     "Anisotrophic filtering: None", "Anisotrophic value: tex_iAnisotropy = 1;"},
    {"tex_iAnisotropy = 2;",
     {"tex_iAnisotropy = 1;", "tex_iAnisotropy = 4;", "tex_iAnisotropy = 8;", "tex_iAnisotropy = 16;"},
     "Anisotrophic filtering: 2\xD7", "Anisotrophic value: tex_iAnisotropy = 2;"},
    {"tex_iAnisotropy = 4;",
     {"tex_iAnisotropy = 1;", "tex_iAnisotropy = 2;", "tex_iAnisotropy = 8;", "tex_iAnisotropy = 16;"},
     "Anisotrophic filtering: 4\xD7", "Anisotrophic value: tex_iAnisotropy = 4;"},
    {"tex_iAnisotropy = 8;",
     {"tex_iAnisotropy = 1;", "tex_iAnisotropy = 2;", "tex_iAnisotropy = 4;", "tex_iAnisotropy = 16;"},
     "Anisotrophic filtering: 8\xD7", "Anisotrophic value: tex_iAnisotropy = 8;"},
    {"tex_iAnisotropy = 16;",
     {"tex_iAnisotropy = 1;", "tex_iAnisotropy = 2;", "tex_iAnisotropy = 4;", "tex_iAnisotropy = 8;"},
     "Anisotrophic filtering: 16\xD7", "Anisotrophic value: tex_iAnisotropy = 16;"},
};

const SettingRow kRendererRows[] = {
    {"gfx_iAPI = 1;", {"gfx_iAPI = 2;", "gfx_iAPI = 0;"}, "Renderer: OpenGL", "Renderer value: gfx_iAPI = 1;"},
    {"gfx_iAPI = 2;", {"gfx_iAPI = 0;", "gfx_iAPI = 1;"}, "Renderer: Direct3D", "Renderer value: gfx_iAPI = 2;"},
};

constexpr const char* kShowFpsOff = "prf_bShowFPS = 0;";
constexpr const char* kShowFpsOn = "prf_bShowFPS = 1;";
constexpr const char* kQualityLabel = "Quality: Maximum";

// The row of a choice, or none for a choice without selection (or out of range).
template <std::size_t N>
const SettingRow* rowOf(const SettingRow (&rows)[N], std::optional<int> choice) {
    if (!choice || *choice < 0 || static_cast<std::size_t>(*choice) >= N) return nullptr;
    return &rows[*choice];
}

void applyRow(const SettingRow* row, std::string& label, GameConfigFile& config, DebugLog& log) {
    if (!row) return;
    label = row->label;
    log.add(row->label);
    log.add(row->logValue);
    // Every other value is looked for: an earlier run may have left any of them.
    for (const char* old : row->replaced) {
        if (config.contains(old)) config.replaceLine(old, row->target);
    }
}

}  // namespace

void applyQualitySettings(GameConfigFile& config, const QualityChoices& choices, DebugLog& log,
                          QualityLabels& labels) {
    log.add("");
    log.add("In-game settings -------------------------");
    labels.qualityLabel = kQualityLabel;
    log.add(kQualityLabel);
    if (config.contains(kShowFpsOff)) {
        config.replaceLine(kShowFpsOff, kShowFpsOn);
        log.add("Show FPS value: prf_bShowFPS = 1;");
    }
    applyRow(rowOf(kHdrRows, choices.hdr ? 1 : 0), labels.hdrLabel, config, log);
    applyRow(rowOf(kAntialiasingRows, choices.aaLevel), labels.aaLabel, config, log);
    applyRow(rowOf(kFilteringRows, choices.afLevel), labels.afLabel, config, log);
    applyRow(rowOf(kRendererRows, static_cast<int>(choices.renderer)), labels.rendererLabel, config, log);
}

}  // namespace melkrin
