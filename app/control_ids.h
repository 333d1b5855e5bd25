#pragma once
// Every control of the main window, with the numeric ID its Win32 window
// carries. The UI driver of the end-to-end tests uses the same table.
#include <array>
#include <cstddef>

#include "settings/resolutions.h"

namespace melkrin {

enum class ControlId : int {
    // Window chrome.
    Background = 1001,       // background picture, drags the window
    MinimiseButton = 1002,       // minimise picture
    CloseButton = 1003,       // close picture
    NavigationBar = 1004,    // navigation bar
    PageControl = 1005,  // five pages, no visible tabs
    BenchButton = 1006,  // run button
    StatusBar = 1007,
    ProgressPanel = 1008,  // progress panel over the pages during a run
    StatusText = 1009,  // status text on ProgressPanel
    ProgressTitle = 1010,  // "Benchmarking in progress"
    TitleSeparator = 1011,
    CancelButton = 1012,  // on ProgressPanel: ends the run in progress
    // Navigation bar: the two group captions and their items.
    BenchmarkGroup = 1020,  // "Benchmark"
    HelpGroup = 1021,  // "Help"
    PathAndNotesItem = 1030,
    ResolutionAndDemoItem = 1031,
    HdrAndFiltersItem = 1032,
    HelpFileItem = 1033,
    UpdateItem = 1034,
    HomepageItem = 1035,
    AboutItem = 1036,
    PassesAndHistoryItem = 1037,  // "Passes & history", the last item of "Benchmark"
    // The six pages inside PageControl.
    PathAndNotesPage = 1040,
    ResolutionAndDemoPage = 1041,
    HdrAndFiltersPage = 1042,
    UpdatePage = 1043,
    AboutPage = 1044,
    PassesAndHistoryPage = 1045,

    // Page 0: path and notes.
    SS2PathEdit = 1100,
    ResEdit = 1101,
    ChooseResultsFolder = 1102,    // choose the results folder
    OpenResFolder = 1103,  // open the results folder
    NoteEdit = 1104,

    // Page 1: resolution and demo.
    Res = 1200,  // the group frame of the nine resolution items
    Res640 = 1201,
    Res800 = 1202,
    Res1024 = 1203,
    Res1280 = 1204,
    Res1600 = 1205,
    Res2048 = 1206,
    ResHdw1 = 1207,
    ResHdw2 = 1208,
    ResHdw3 = 1209,
    CusResBox = 1210,
    CusWidth = 1211,
    CusHeight = 1212,
    CusPossibilities = 1213,
    Demo = 1214,  // radio group; selection 0 to 3 or none
    DemoEdit = 1215,
    DemoEditButton = 1216,
    Demo0 = 1220,  // the demo group's four items
    Demo1 = 1221,
    Demo2 = 1222,
    Demo3 = 1223,
    CusTimes = 1224,  // the "\xD7" between width and height

    // Page 2: HDR and filters.
    HDRFrame = 1310,
    RendererFrame = 1311,
    FiltersFrame = 1312,
    HDRBox = 1300,
    RendererBox = 1301,  // 0 OpenGL, 1 Direct3D
    AFBox = 1302,
    AABox = 1303,

    // Page 3: update.
    ProxyFrame = 1410,
    ProxyServerEdit = 1400,
    ProxyPortEdit = 1401,
    ProxyUsernameEdit = 1402,
    ProxyPassEdit = 1403,
    UseProxyBox = 1404,
    UpdateButton = 1405,  // "Update benchmark"

    // Page 4: about.
    AboutPicture = 1500,
    VersionText = 1501,  // version label
    AboutMemo = 1502,

    // Page 5: passes and history.
    PassesFrame = 1610,
    PassesBox = 1600,     // 0 to 9: 1 to 10 passes; 10: until stable
    WarmUpBox = 1601,
    PassesNote = 1602,
    HistoryButton = 1603,  // opens the results folder's history page
};

// ResolutionListDialog, the resolution possibilities dialog.
namespace resolution_list_ids {
inline constexpr int kCloseButton = 2001;  // close
inline constexpr int kModeList = 2002;
inline constexpr int kAddButton = 2003;  // "Add"
}  // namespace resolution_list_ids

// The resolution items: item i shows the fixed resolution i of
// settings/resolutions.h, their IDs follow one another from Res640.
inline constexpr auto kResolutionItems = [] {
    std::array<ControlId, kFixedResolutions.size()> items{};
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i] = static_cast<ControlId>(static_cast<int>(ControlId::Res640) + static_cast<int>(i));
    return items;
}();
static_assert(kResolutionItems.back() == ControlId::ResHdw3);

// The demo group's four items, in the order of their choice numbers.
inline constexpr ControlId kDemoItems[4] = {ControlId::Demo0, ControlId::Demo1, ControlId::Demo2, ControlId::Demo3};

inline constexpr int kNoSelection = -1;
inline constexpr int kAboutPage = 4;
inline constexpr int kPassesPage = 5;
inline constexpr int kPageCount = 6;

}  // namespace melkrin
