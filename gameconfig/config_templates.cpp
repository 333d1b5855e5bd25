#include "gameconfig/config_templates.h"

#include <stdexcept>
#include <string_view>

namespace melkrin {
namespace {

// One template line per source line: template line N is source line N + 12.
// The text starts after the line break that follows the opening delimiter.
// Line 146 (rcts_strAdminPassword) holds a one-character password of our own.
constexpr const char kBenchmarkText[] = R"ini(
[Core]
fil_iWriteCacheSize = 32;
fil_bPreferZips = 0;
fil_iReportStats = 0;
prf_tmRefreshInterval = 1;
prf_bAutoFreezeProfiler = 0;
mmp_slMinBlockSize = 0;
mmp_bIgnoreBlocksWithDesc = 0;
mmp_strAcceptedDescs = "";
mmp_strIgnoredDescs = "";
mmp_strAcceptedTypes = "";
mmt_strTrackString = "";
mmt_bSortOnlyBySize = 0;
mmt_slMinBlockSize = 0;
md_bReportReadStats = 0;
md_bPrecaching = 1;
md_iReportUnusedObjects = 0;
str_strTransPrefix = "";
str_strCurrentLocale = "";

[Engine]
bmk_bOnScreenReport = 1;
bmk_bBenchmarkDemos = 0;
dbg_bShowFreeMemory = 0;
dbg_bShowMemConsumption = 0;
dbg_bShowReferences = 0;
dbg_strMarkedDataTypes = "";
prf_bShowFPS = 0;
gfx_iAPI = 2;
gfx_bFullScreen = 1;
gfx_pixResWidth = 800;
gfx_pixResHeight = 600;
gfx_iRefreshRate = 0;
gfx_bMaximized = 0;
gfx_pixWinWidth = 640;
gfx_pixWinHeight = 480;
gfx_pixWinPosX = 0;
gfx_pixWinPosY = 0;
tex_iFiltering = 22;
tex_iAnisotropy = 8;
tex_fLODBias = 0;
tex_iQuality = 0;
lmp_iQuality = 0;
tex_iMaxSize = 11;
lmp_iMaxSize = 11;
tex_iBaseMip = 0;
lmp_iBaseMip = 0;
lmp_bAllowAnisotropy = 0;
tex_fLowCoverageThreshold = 0.2;
gfx_iAntiAliasing = 2;
gfx_bHDRRendering = 0;
gfx_fSubPixelPrecision = 1;
gfx_iFinish = 0;
gfx_iWaitVSyncs = 0;
gfx_iMaxFPSActive = 10000;
gfx_iMaxFPSInactive = 20;
gfx_ctMaxOcclusionQueries = 1024;
gfx_bRelaxedOcclusionTest = 0;
ogl_bForcePixelProgramPartialPrecision = 0;
d3d_iRenderingDevice = 0;
d3d_bForcePixelProgramPartialPrecision = 0;
d3d_iMaxAllowedPixelProgramVersion = 30;
d3d_bForcePixelProgramVersion2 = 1;
d3d_iShaderFlowControl = 0;
d3d_strProfileVS = "";
d3d_strProfilePS = "";
d3d_ctCommonVertexBuffers = 4;
d3d_iCommonVertexBuffersSize = 1024;
efx_iLensFlareQuality = 3;
gfx_fBrightness = 0;
gfx_fContrast = 1;
gfx_fGamma = 1;
gfx_fRedBias = 1;
gfx_fGreenBias = 1;
gfx_fBlueBias = 1;
gfx_iLevels = 256;
bkr_iMaxOcclusionMapSize = 2048;
inp_bMouseSmoothing = 1;
inp_fMouseSensitivity = 1;
inp_bInvertMouseY = 0;
cld_bRenderSplitPlanes = 0;
cld_bRenderCollisionMeshFeatures = 0;
cld_bRenderSingleCollisionMeshNode = 0;
cld_iCollisionMeshNodeToRender = 0;
mdl_bCacheAnimations = 1;
mdl_ctMaxCachedModels = 64;
mdl_iMaxWeightsPerVertex = 2;
mdl_bHardwareSkinning = 1;
shd_fClipOffset = 0.1;
dem_iMaxDemoBPS = 50000;
net_fUpdateTimeLimit = 2;
net_bDebuggingEnabled = 0;
net_bClientsMayPause = 0;
cli_iHighQualityBPS = 10000;
cli_iLowQualityBPS = 6000;
cli_iMaxBPS = 6000;
cli_iMaxOutBPS = 5000;
ser_strBanList = "";
net_slUDPBlockSize = 1000;
net_slMaxPacketSize = 1003;
net_iCompression = 1;
net_bLookupHostNames = 0;
net_bUseLatencyEmulation = 0;
net_pbsLatencyEmulation.pbs_fLatencyLimit = 0;
net_pbsLatencyEmulation.pbs_fLatencyVariation = 0;
net_pbsLatencyEmulation.pbs_slBandwidthLimit = 0;
net_fDropPackets = 0;
net_fBandwidthInterval = 1;
net_fEnumerationInterval = 1;
net_fMaxEnumerationAge = 3;
net_iEnumerationSpread = 5;
net_bReportPackets = 0;
net_bReportICMPErrors = 0;
net_bReportCommErrors = 1;
net_bReportSocketErrors = 1;
net_bReportUnknownErrors = 1;
net_bReportMiscErrors = 0;
net_ulServerAddress = 0;
net_uwServerPort = 25600;
net_strLocalHost = "";
net_strConnectPassword = "";
net_strAdminPassword = "";
net_strVIPPassword = "";
net_strObserverPassword = "";
net_iVIPReserve = 0;
net_iMaxObservers = 16;
net_iMaxClients = 0;
net_fConnectionTimeout = 15;
net_fProblemsTimeout = 15;
net_fDisconnectPeriod = 2;
net_fMessageDelayLimit = 2;
net_ulMaxUpdateDuration = 3;
net_ctUpdateTimeCheckStep = 30;
net_fRelevantTestsInterval = 2;
net_fMaxRelevantDistance = 3.E+038;
onl_fVoiceThroughSpeakersVolume = 0.9;
onl_bCheckForUpdates = 1;
phy_bContactReduction = 1;
phy_bDisableSphereInertiaForcing = 0;
phy_bWarmStarting = 1;
phy_fWarmStartFactor = 0.9;
rcon_slMaxBufferSize = 131072;
rcts_bLocalMode = 0;
rcts_bDebugNegotiations = 0;
rcts_strWelcomeNote = "RCon telnet server";
rcts_strAdminPassword = "x";
ren_bOcclusionCulling = 1;
ren_bEffectOcclusion = 0;
ren_bVisibilityGroups = 1;
ren_ctOcclusionPassThreshold = 8;
ren_fOcclusionSizeTreshold = 0.1;
ren_fLODBias = 0.5;
ren_fNearClipPlaneDistance = 0.1;
ren_iDynamicShadowQuality = 3;
ren_fDynamicShadowSlanting = 0.75;
ren_fDynamicShadowCullSize = 0.05;
ren_fDynamicShadowFadeSize = 0.1;
ren_pixDynamicShadowSize = 512;
vm_bAllowNatives = 1;
scc_bAllowCompile = 0;
scc_bForceCompile = 0;
scc_bSaveBinary = 1;
dbg_bLogTransitionStack = 0;
dbg_bCallDebugFuncs = 0;
sfx_fMasterVolume = 1;
sfx_fAttenuationByVoice = 0.8;
snd_fEffectsVolume = 0.85;
snd_fMusicVolume = 0.8;
snd_fMovieVolume = 0.9;
sfx_iAPI = 0;
dsd_bAllowEmulation = 1;
dsd_iSoftwareProcessing = 0;
dsd_iDefaultAdapter = 0;
sfx_bAllowEAX = 1;
sfx_iMaxActiveSounds = 25;
sfx_iMaxActiveSameSounds = 5;
sfx_ctStreamingPackets = 8;
sfx_iStreamingPacketSize = 8;
sim_bReportMemoryUsage = 0;
sim_bReportOpenedFiles = 0;

[ScriptLua]

[Sam2]

[CodecOGG]
teo_iDebugLevel = 0;

[Shaders]
sha_bNoOffsetMapping = 0;
sha_bFastFlatCubeReflections = 0;
sha_bForceFlatCubeReflections = 0;
sha_bAllowRefractions = 1;
sha_iRefractionMip = 0;
sha_bUberNoOrenNayar = 0;
sha_bUberNoDetailMap = 0;
sha_bUberNoSmoothHeight = 0;
sha_bUberNoReflection = 0;
sha_bUberNoSpecular = 0;

[ProcRender]
efx_fBloomBias = 1.2;
efx_fParticleBias = 1.5;
crm_fDistanceBias = 2;
crm_fDensityBias = 1.25;
crm_bAllowRendering = 1;
crm_fMaxCachingTime = 0.01;
crm_iVertexCachingThreshold = 64;

[Sam2Game]
con_iLastLines = 0;
con_fHeightRatio = 0.333;
con_fLineLifeTime = 5;
con_fLineFadeTime = 2;
sam_strDemoFile = "";
sam_strMultiplayerSessionName = "ETRSMultiplayer.UnnamedSession=Unnamed session";
sam_strFavoriteChapter = "";
gfx_fAspectRatio = 1.3333;
sam_bShowSafeArea = 0;
sam_strServerName = "";
sam_bNetricsaSubtitles = 1;
sam_bNetricsaVoice = 1;
sam_bSamSubtitles = 1;
sam_bSamVoice = 1;
hud_bShowLevelName = 0;
hud_bShowPing = 0;
hud_iShowBandwidth = 0;
hud_bShowTime = 0;
hud_bShowCrosshair = 1;
hud_bShowCoords = 0;
hud_bShowWeapon = 1;
hud_bShowInfo = 1;
hud_bShowCopyright = 0;
hud_bShowLogo = 1;
sam_strMainMenuName = "CMainMenu";
sam_bBootSequence = 1;
sam_bEnableDebris = 1;
sam_ctMaxDebris = 20;
sam_iEnableCheats = 1;
sam_bShowMacroWarningsForStaticModels = 1;
sam_bFixInfiniteViewBug = 1;
sam_bFreezeInfiniteViewBug = 0;
sam_bDetectInfinityCharacters = 1;
sam_bEnableRagdollDeaths = 1;
sam_strDatabaseRootDir = "Content/SeriousSam2/Databases/";
plr_bPreferDriveSteer = 1;
sam_strDisabledVoteTypes = "";
sam_ctTimeBanMinutes = 60;
sam_fVoteDuration = 60;
sam_fVotePercentageToPass = 0.5;
sam_fVoteEndDelay = 3;
men_bDetectVideoChange = 0;
sam_strGraphicCardName = " ";
men_pixSafeZoneWidth = 544;
men_pixSafeZoneHeight = 408;
men_bRenderSafeZone = 0;
men_bShowActiveProfile = 0;
men_bAttractMode = 1;
men_plaRenderAsPlatform = 1;
sam_iShowAllLevels = 0;
men_fMusicVolume = 1;
men_fMouseSpeed = 15;
ms_iUpstreamBPS = 5000;
ms_iDownstreamBPS = 6000;
ccn_iLastLines = 5;
ccn_fHeightRatio = 0.333;
ccn_fLineLifeTime = 5;
ccn_fLineFadeTime = 2;
sam_ddc.ddc_bDebugingAllowed = 0;
sam_ddc.ddc_bResetWorldOnEachChapter = 0;
sam_ddc.ddc_strDebugClass = "";
sam_ddc.ddc_dcDebugClasses = 1;
sam_ddc.ddc_ddDebugDetails = 0;
sam_ddc.ddc_ddDebugDetails2 = 0;
sam_ddc.ddc_fLOSStayTime = 1;
sam_ddc.ddc_fLOSFadeOutRatio = 0.75;
sam_ddc.ddc_bCustomDebugAllowed = 0;
sam_ddc.ddc_bDumpEntityNames = 0;
sam_ddc.ddc_bPutVariableNameTo3DView = 1;
sam_ddc.ddc_fActionSelectionQueueTime = 15;
sam_ddc.ddc_fEntityPathPeriod = 0.1;
sam_ddc.ddc_ctEntityPathMaxCrumbs = 150;
sam_ddc.ddc_nmNetworkScope = 0;
sam_strDisabledItems = "";
plp_iMaxPlayerProfiles = 64;
plp_strActiveProfile = "";
sam_strDefaultMapDir = "Content/SeriousSam2/Levels/Multiplayer";
sam_strMapList = "";
sam_strMapListFile = "Content/SeriousSam2/DMMapList.txt";
sam_fEndOfRoundDelay = 10;
mov_bProfileMovie = 0;
mov_bShowProfiler = 1;
mov_bShowPlayingTime = 0;
nam_fHeightForHorizontalRayCast = 1;
nam_fMaxElevationDiff = 2;
nam_fExpandNormalAngleLimit = 15;
nam_fMaxSlopeLimit = 45;
nam_fMaxStripElevDiff = 3;
nam_fTileSize = 1;
nam_fNavMeshRayRadius = 0;
nam_bRenderLinkPositions = 1;
nam_ctMaxWayPointsInCheapList = 15;
nam_bRenderLists = 0;
nam_bOverestimateHeuristic = 1;
nav_bDebugPathFinding = 0;
nam_bBakeNavMesh = 1;
nam_bRenderNavigationGrid = 0;
nam_bRenderRayCasts = 0;
nam_bRenderDebugInfo = 0;
nam_fRenderGridHeight = 10;
)ini";

ConfigLines makeBenchmarkTemplate() {
    ConfigLines lines;
    std::string_view text(kBenchmarkText);
    text.remove_prefix(1);  // the line break after the delimiter
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        start = i + 1;
    }
    if (lines.size() != kTemplateLineCount) throw std::logic_error("benchmark template is damaged");
    return lines;
}

ConfigLines makeDefaultTemplate() {
    ConfigLines lines = benchmarkTemplate();
    lines[50 - 1] = "gfx_iAntiAliasing = 0;";
    lines[170 - 1] = "sfx_iAPI = 2;";
    return lines;
}

}  // namespace

const ConfigLines& benchmarkTemplate() {
    static const ConfigLines lines = makeBenchmarkTemplate();
    return lines;
}

const ConfigLines& defaultTemplate() {
    static const ConfigLines lines = makeDefaultTemplate();
    return lines;
}

}  // namespace melkrin
