// The editor window in-process: opening and closing, size following, the control strip's click
// ranges and drags, the time offset written to the INI file, and what painting puts on screen.
#include <gtest/gtest.h>

#include <qlv_headless.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "gfx/gfx.h"
#include "plugin/dispatcher.h"
#include "plugin/editor.h"
#include "state/instance.h"
#include "tests/plugin/text_pixels.h"

namespace {

intptr_t SilentHost(AEffect *, int32_t, int32_t, intptr_t, void *, float) { return 0; }

std::string g_ini_path;
const char *TestIniFile() { return g_ini_path.c_str(); }

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        static int anchor;
        saved_module_ = module_handle;
        saved_ini_fn_ = HostFunctions.get_ini_file;
        saved_offset_ = time_offset_ms.load();
        if (!module_handle) module_handle = reinterpret_cast<HMODULE>(&anchor);
        g_ini_path = ::testing::TempDir() + "editor_test_" + std::to_string(getpid()) + ".ini";
        std::remove(g_ini_path.c_str());
        HostFunctions.get_ini_file = TestIniFile;
        time_offset_ms.store(0);
        windows_before_ = QlvHeadlessWindowCount();
        timers_before_ = QlvHeadlessTimerCount();
        parent_ = QlvHeadlessCreateWindow(0, 0, 800, 600, nullptr);
        instance_ = new PreviewInstance(SilentHost);
        ASSERT_EQ(PreviewOpenEditor(instance_, parent_), 1);
        editor_ = instance_->editor_window.load();
        ASSERT_NE(editor_, nullptr);
    }
    void TearDown() override {
        delete instance_;
        DestroyWindow(parent_);
        ReleaseCapture();
        drag_mode = 0;
        EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_);
        EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_);
        std::remove(g_ini_path.c_str());
        module_handle = saved_module_;
        HostFunctions.get_ini_file = saved_ini_fn_;
        time_offset_ms.store(saved_offset_);
    }

    void Down(int x, int y) { SendMessageA(editor_, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y)); }
    void Move(int x, int y) { SendMessageA(editor_, WM_MOUSEMOVE, MK_LBUTTON, Point(x, y)); }
    void Up(int x, int y) { SendMessageA(editor_, WM_LBUTTONUP, 0, Point(x, y)); }

    // One timer tick and the paint it asks for; the window's pixels afterwards.
    std::vector<DWORD> Frame() {
        QlvHeadlessAdvanceClock(EDITOR_TIMER_PERIOD_MS);
        QlvHeadlessRunPaints();
        RECT rc{};
        GetClientRect(editor_, &rc);
        std::vector<DWORD> pixels(static_cast<size_t>(rc.right) * rc.bottom);
        EXPECT_TRUE(QlvHeadlessReadPixels(editor_, pixels.data(), pixels.size()));
        return pixels;
    }

    HMODULE saved_module_ = nullptr;
    HostGetIniFileFn saved_ini_fn_ = nullptr;
    int32_t saved_offset_ = 0;
    int windows_before_ = 0, timers_before_ = 0;
    HWND parent_ = nullptr;
    HWND editor_ = nullptr;
    PreviewInstance *instance_ = nullptr;
};

TEST_F(Editor, OpeningAttachesTheInstanceShowsTheDialogAndStartsTheTimer) {
    EXPECT_EQ(GetParent(editor_), parent_);
    EXPECT_TRUE(IsWindowVisible(editor_));
    EXPECT_EQ(GetWindowLongPtrA(editor_, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(instance_));
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_ + 1);
    EXPECT_EQ(instance_->fetched_end, 0.0);
    EXPECT_EQ(instance_->last_position, 0.0);
    EXPECT_EQ(instance_->display_position, 0.0);

    // Reopening resets the chart state again: positions to 0 and the events emptied, storage kept.
    instance_->last_position = 5.0;
    instance_->display_position = 7.0;
    instance_->fetched_end = 9.0;
    instance_->chart_events.Resize(200);
    ASSERT_EQ(PreviewDispatcher(&instance_->effect, effEditOpen, 0, 0, parent_, 0.0f), 1);
    EXPECT_FALSE(IsWindow(editor_));  // the old window went first
    editor_ = instance_->editor_window.load();
    EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_ + 2);
    EXPECT_EQ(instance_->chart_events.GetSize(), 0);
    EXPECT_NE(instance_->chart_events.data, nullptr);
    EXPECT_EQ(instance_->last_position, 0.0);
    EXPECT_EQ(instance_->display_position, 0.0);
    EXPECT_EQ(instance_->fetched_end, 0.0);
}

TEST_F(Editor, FollowsTheParentSizeLessAFourPixelMargin) {
    RECT rc;
    QlvHeadlessAdvanceClock(EDITOR_TIMER_PERIOD_MS);
    GetClientRect(editor_, &rc);
    EXPECT_EQ(rc.right, 796);
    EXPECT_EQ(rc.bottom, 596);
    EXPECT_TRUE(GetUpdateRect(editor_, &rc, FALSE));  // the tick asks for a repaint

    SetWindowPos(parent_, nullptr, 0, 0, 1024, 700, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(editor_, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    QlvHeadlessAdvanceClock(EDITOR_TIMER_PERIOD_MS - 1);
    GetClientRect(editor_, &rc);
    EXPECT_EQ(rc.right, 796);  // no tick yet
    QlvHeadlessAdvanceClock(1);
    GetClientRect(editor_, &rc);
    EXPECT_EQ(rc.right, 1024 - 10 - 4);
    EXPECT_EQ(rc.bottom, 700 - 20 - 4);

    // Another timer id is not the editor's.
    SetWindowPos(parent_, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(editor_, WM_TIMER, 2, 0);
    GetClientRect(editor_, &rc);
    EXPECT_EQ(rc.right, 1010);
    // A parent smaller than the margin leaves an empty editor rather than a negative one.
    SetWindowPos(parent_, nullptr, 0, 0, 2, 2, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(editor_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    QlvHeadlessAdvanceClock(EDITOR_TIMER_PERIOD_MS);
    GetClientRect(editor_, &rc);
    EXPECT_EQ(rc.right, 0);
    EXPECT_EQ(rc.bottom, 0);
    QlvHeadlessRunPaints();  // an empty client area paints nothing and must not fail
}

TEST_F(Editor, ClickRangesOfSkillAndMode) {
    Down(47, 15);
    EXPECT_EQ(instance_->skill.load(), 1);
    Down(48, 15);
    EXPECT_EQ(instance_->skill.load(), 1);
    Down(10, 11);
    Down(10, 22);
    EXPECT_EQ(instance_->skill.load(), 1);
    Down(0, 12);
    EXPECT_EQ(instance_->skill.load(), 2);
    Down(-1, 15);  // the low half of lParam is signed
    EXPECT_EQ(instance_->skill.load(), 2);

    instance_->highway_dirty = 0;
    Down(146, 21);
    EXPECT_EQ(instance_->mode.load(), 1);
    EXPECT_EQ(instance_->highway_dirty, 1);
    instance_->highway_dirty = 0;
    Down(146, 22);
    Down(147, 15);
    Down(55, 15);
    EXPECT_EQ(instance_->mode.load(), 1);
    EXPECT_EQ(instance_->highway_dirty, 0);
    EXPECT_EQ(instance_->skill.load(), 2);
    EXPECT_EQ(drag_mode, 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Editor, SkillAndModeCycle) {
    const char *skills[] = {"Medium", "Hard", "Expert", "Easy", "Medium"};
    for (const char *name : skills) {
        Down(20, 15);
        EXPECT_STREQ(DifficultyName(instance_->skill.load()), name);
    }
    const char *modes[] = {"Pro Drums", "Drums (std)", "Keys", "Guitar/Bass", "Pro Drums"};
    for (const char *name : modes) {
        instance_->highway_dirty = 0;
        Down(100, 15);
        EXPECT_STREQ(ModeName(instance_->mode.load()), name);
        EXPECT_EQ(instance_->highway_dirty, 1);
    }
    // Values loaded from a chunk: out-of-range skills restart at Easy, negative modes keep
    // their sign through the remainder.
    instance_->skill.store(-1);
    Down(20, 15);
    EXPECT_EQ(instance_->skill.load(), 0);
    instance_->skill.store(7);
    Down(20, 15);
    EXPECT_EQ(instance_->skill.load(), 0);
    instance_->mode.store(-3);
    Down(100, 15);
    EXPECT_EQ(instance_->mode.load(), -2);
    EXPECT_STREQ(ModeName(-2), "Keys");
    EXPECT_STREQ(DifficultyName(-1), "???");
    EXPECT_STREQ(DifficultyName(4), "???");
}

TEST_F(Editor, TimeOffsetDragStepsAndIsStoredAsSignedText) {
    WriteFile(g_ini_path, "; host settings\n[audio]\nrate=48000\n[qlview]\ntimeoffs=7\nother=1\n[video]\nfps=60\n");
    Down(160, 15);
    EXPECT_EQ(drag_mode, 1);
    EXPECT_EQ(GetCapture(), editor_);
    Move(163, 15);
    EXPECT_EQ(time_offset_ms.load(), 0);
    Move(164, 15);
    EXPECT_EQ(time_offset_ms.load(), 1);
    EXPECT_EQ(drag_last_x, 164);
    // Ten up and two left in one move: (10 - 2) / 4.
    Move(162, 5);
    EXPECT_EQ(time_offset_ms.load(), 3);
    // Three pixels left is less than a step: nothing, and the anchor stays.
    Move(159, 5);
    EXPECT_EQ(time_offset_ms.load(), 3);
    EXPECT_EQ(drag_last_x, 162);
    Move(158, 5);
    EXPECT_EQ(time_offset_ms.load(), 2);
    // Far outside the window (captured): still counted.
    Move(158 - 60, 5);
    EXPECT_EQ(time_offset_ms.load(), -13);
    Move(158 - 60, 1);
    EXPECT_EQ(time_offset_ms.load(), -12);
    Up(0, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(drag_mode, 0);
    EXPECT_EQ(ReadFile(g_ini_path),
              "; host settings\n[audio]\nrate=48000\n[qlview]\ntimeoffs=-12\nother=1\n[video]\nfps=60\n");
    EXPECT_EQ(GetPrivateProfileIntA("qlview", "timeoffs", 0, g_ini_path.c_str()), static_cast<UINT>(-12));

    // Without the capture the mouse does nothing.
    Move(500, 5);
    EXPECT_EQ(time_offset_ms.load(), -12);
}

TEST_F(Editor, TimeOffsetHoldsAtTheEdgeOfItsRange) {
    time_offset_ms.store(INT32_MAX - 1);
    Down(160, 15);
    Move(160 + 400, 15);
    EXPECT_EQ(time_offset_ms.load(), INT32_MAX);
    Up(0, 0);
}

TEST_F(Editor, ThresholdDragClampsAndWritesNothing) {
    Down(240, 15);
    EXPECT_EQ(drag_mode, 2);
    Move(241, 15);
    EXPECT_EQ(instance_->hopo_threshold.load(), 171);
    Move(241, 16);
    EXPECT_EQ(instance_->hopo_threshold.load(), 170);
    Move(241, 5000);
    EXPECT_EQ(instance_->hopo_threshold.load(), 32);
    Move(241, -5000);
    EXPECT_EQ(instance_->hopo_threshold.load(), 1920);
    Up(241, -5000);
    EXPECT_FALSE(std::ifstream(g_ini_path).good());

    // A chunk-loaded 2000 becomes 1920 at the first step either way.
    const uint8_t chunk[4] = {0, 0, 0xd0, 0x07};
    instance_->SetChunk(chunk, 4);
    ASSERT_EQ(instance_->hopo_threshold.load(), 2000);
    Down(300, 15);
    Move(301, 15);
    EXPECT_EQ(instance_->hopo_threshold.load(), 1920);
    instance_->SetChunk(chunk, 4);
    Move(300, 15);
    EXPECT_EQ(instance_->hopo_threshold.load(), 1920);
    Up(300, 15);
    EXPECT_FALSE(std::ifstream(g_ini_path).good());
}

TEST_F(Editor, ThroughTheMouseTheDragFollowsTheCapture) {
    ShowWindow(editor_, SW_SHOWNA);
    ASSERT_TRUE(QlvHeadlessMouse(parent_, WM_LBUTTONDOWN, 170, 15));
    ASSERT_TRUE(QlvHeadlessMouse(parent_, WM_MOUSEMOVE, 170 + 40, 15 + 900));  // outside the editor
    EXPECT_EQ(time_offset_ms.load(), -215);
    ASSERT_TRUE(QlvHeadlessMouse(parent_, WM_LBUTTONUP, 10, 900));
    EXPECT_EQ(GetPrivateProfileIntA("qlview", "timeoffs", 0, g_ini_path.c_str()), static_cast<UINT>(-215));
    // A click in the strip but on no control ends nothing and starts nothing.
    ASSERT_TRUE(QlvHeadlessMouse(parent_, WM_LBUTTONDOWN, 500, 15));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Editor, MessagesWithoutAnInstanceTouchNothing) {
    HWND bare = QlvHeadlessCreateWindow(0, 0, 10, 10, nullptr);
    EXPECT_EQ(PreviewDialogProc(bare, WM_LBUTTONDOWN, 0, Point(20, 15)), 0);
    EXPECT_EQ(PreviewDialogProc(bare, WM_PAINT, 0, 0), 0);
    EXPECT_EQ(PreviewEditorHandler(nullptr, editor_, WM_LBUTTONDOWN, 0, Point(20, 15)), 0);
    EXPECT_EQ(instance_->skill.load(), 0);
    DestroyWindow(bare);
    // Answers: painting and erasing say handled, the rest 0.
    EXPECT_EQ(PreviewDialogProc(editor_, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(PreviewDialogProc(editor_, WM_PAINT, 0, 0), 1);
    EXPECT_EQ(PreviewDialogProc(editor_, WM_USER + 5, 0, 0), 0);
}

TEST_F(Editor, ClosingAndReopeningLeavesNothingBehind) {
    Frame();
    ASSERT_NE(instance_->back_buffer, nullptr);
    EXPECT_EQ(instance_->back_buffer->PixelWidth(), 796);
    PreviewCloseEditor(instance_);
    EXPECT_EQ(instance_->editor_window.load(), nullptr);
    EXPECT_EQ(instance_->back_buffer, nullptr);
    EXPECT_EQ(instance_->highway_image, nullptr);
    EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_ + 1);  // the parent only
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_);
    PreviewCloseEditor(instance_);  // nothing open: nothing happens

    ASSERT_EQ(PreviewOpenEditor(instance_, parent_), 1);
    editor_ = instance_->editor_window.load();
    Frame();
    // A second instance with its own editor in another parent, in the same process.
    HWND other_parent = QlvHeadlessCreateWindow(50, 50, 320, 240, nullptr);
    auto *other = new PreviewInstance(SilentHost);
    ASSERT_EQ(PreviewOpenEditor(other, other_parent), 1);
    QlvHeadlessAdvanceClock(EDITOR_TIMER_PERIOD_MS);
    QlvHeadlessRunPaints();
    ASSERT_NE(other->back_buffer, nullptr);
    EXPECT_EQ(other->back_buffer->PixelWidth(), 316);
    // Destroyed with its editor open.
    delete other;
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_ + 1);
    DestroyWindow(other_parent);

    // The host destroying its own window takes the editor along and the instance notices.
    DestroyWindow(parent_);
    EXPECT_EQ(instance_->editor_window.load(), nullptr);
    EXPECT_EQ(instance_->back_buffer, nullptr);
}

TEST_F(Editor, OpeningFailsCleanly) {
    PreviewCloseEditor(instance_);
    EXPECT_EQ(PreviewOpenEditor(instance_, reinterpret_cast<void *>(0x4321)), 0);
    EXPECT_EQ(PreviewOpenEditor(instance_, nullptr), 0);
    EXPECT_EQ(PreviewOpenEditor(nullptr, parent_), 0);
    EXPECT_EQ(instance_->editor_window.load(), nullptr);
    HMODULE module = module_handle;
    module_handle = nullptr;
    EXPECT_EQ(PreviewOpenEditor(instance_, parent_), 0);
    module_handle = module;
    EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_ + 1);
}


TEST_F(Editor, PaintShowsTheStripTextsAndTheVersion) {
    instance_->skill.store(-1);
    time_offset_ms.store(-25);
    std::vector<DWORD> pixels = Frame();
    const int w = 796, h = 596;
    ASSERT_EQ(pixels.size(), static_cast<size_t>(w * h));
    struct Expected {
        const char *text;
        int x, y;
    } texts[] = {{"v1.3b", 2, h - 10}, {"SKILL", 0, 2},       {"???", 2, 13},        {"MODE", 56, 2},
                 {"Guitar/Bass", 58, 13}, {"TIME OFFS", 154, 2}, {"-25 MS", 156, 13}, {"HOPO THRESH", 234, 2},
                 {"170 ticks", 236, 13}};
    for (const Expected &e : texts) {
        auto set = TextPixels(e.text, e.x, e.y, w, h);
        ASSERT_FALSE(set.empty()) << e.text;
        for (auto [x, y] : set) ASSERT_EQ(pixels[y * w + x], 0xffffffu) << e.text << " at " << x << "," << y;
    }
    // The value follows the setting.
    instance_->skill.store(0);
    std::vector<DWORD> easy = Frame();
    bool differs = false;
    for (int y = 13; y < 21; ++y)
        for (int x = 2; x < 46; ++x) differs |= easy[y * w + x] != pixels[y * w + x];
    EXPECT_TRUE(differs);
}

TEST(EditorGlyph, SpinnerIsADoubleHeadedArrow) {
    GFX_MemBitmap bitmap(240, 30);
    GFX_SetAllPixels(&bitmap, 0);
    DrawSpinnerGlyph(&bitmap, 218, 12, 8, 10);
    std::vector<std::pair<int, int>> expected;
    for (int y = 13; y <= 20; ++y) expected.emplace_back(222, y);
    for (auto p : {std::pair{223, 14}, {224, 15}, {221, 14}, {220, 15}, {223, 19}, {224, 18}, {221, 19}, {220, 18}})
        expected.push_back(p);
    std::sort(expected.begin(), expected.end());
    std::vector<std::pair<int, int>> drawn;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 240; ++x)
            if (bitmap.PixelData()[y * 240 + x] != 0) {
                drawn.emplace_back(x, y);
                EXPECT_EQ(bitmap.PixelData()[y * 240 + x] & 0x00ffffffu, 0x00ffffffu);
            }
    std::sort(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn, expected);
}

}  // namespace
