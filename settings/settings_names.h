#pragma once
// The settings key and the names of its values.
namespace melkrin::names {

inline constexpr const char* kSettingsKey = "\\SOFTWARE\\Quorvane\\Melkrin";

inline constexpr const char* kPath = "Path";
inline constexpr const char* kProgramVersion = "Programversion";
// The nine resolution flags are named in settings/resolutions.h.
inline constexpr const char* kCustomWidth = "CusW";
inline constexpr const char* kCustomHeight = "CusH";
inline constexpr const char* kCustomOn = "CusRes";
inline constexpr const char* kDemo = "Demo";
inline constexpr const char* kDemoName = "Demoname";
inline constexpr const char* kResultPath = "ResultPath";
inline constexpr const char* kAfLevel = "AFLevel";
inline constexpr const char* kAaLevel = "AALevel";
inline constexpr const char* kNote = "Note";
inline constexpr const char* kHdr = "HDR";
inline constexpr const char* kRenderer = "Renderer";
inline constexpr const char* kUseProxy = "UseProxy";
inline constexpr const char* kProxyServer = "ProxyServer";
inline constexpr const char* kProxyPort = "ProxyPort";
inline constexpr const char* kProxyUsername = "ProxyUsername";
inline constexpr const char* kProxyPassword = "ProxyPassword";
inline constexpr const char* kRunMarker = "NoErrorWarning";
// Optional, never written by the program: the longest a game may run, in
// seconds ("0" for no limit); missing or unreadable: 600.
inline constexpr const char* kGameTimeLimit = "GameTimeLimit";
// Optional, never written by the program: another server for the update
// information file (a mirror); updates are signed, so any server will do.
inline constexpr const char* kUpdateServer = "UpdateServer";
// The diagnostic cache.
inline constexpr const char* kDisplayMemory = "Display Memory";
inline constexpr const char* kDriverVersion = "Driver Version";
inline constexpr const char* kSound = "Sound";
inline constexpr const char* kPasses = "Passes";   // "1".."10" or "until stable"; anything else reads as 1
inline constexpr const char* kWarmUp = "WarmUp";   // "1": play one pass first that does not count; anything else: none

}  // namespace melkrin::names
