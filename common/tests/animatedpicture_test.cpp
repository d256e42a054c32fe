// CAnimatedPicture on real static controls: GIF pictures made by pictures/make_pictures.sh are
// resources of this program (type "GIF"); the bitmap is read from the source folder.
#include "animatedpicture.h"
#include "animatedpicture_test.h"
#include "lxtest.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace {

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0),
               kYellow = RGB(255, 255, 0);

// A visible top-level window with one static control for the picture.
class Host {
public:
    Host()
    {
        m_top = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "GIF host", WS_POPUP | WS_VISIBLE, 100,
                                100, 200, 100, nullptr, nullptr, nullptr, nullptr);
        m_static = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 5, 5, m_top,
                                   nullptr, nullptr, nullptr);
    }
    ~Host()
    {
        if (IsWindow(m_top))
            DestroyWindow(m_top);
    }
    HWND Top() const { return m_top; }
    HWND Static() const { return m_static; }

private:
    HWND m_top = nullptr, m_static = nullptr;
};

// Pumps until the animation shows `frame`, then lets it be drawn.
bool WaitFrame(const CAnimatedPicture& pic, std::size_t frame)
{
    bool ok = lxtest::PumpUntil([&] { return pic.GetCurrentFrame() == frame; }, 3000);
    lxtest::PumpMessages(80);
    return ok && pic.GetCurrentFrame() == frame;
}

// Frame changes seen while pumping for ms milliseconds.
int CountChanges(const CAnimatedPicture& pic, DWORD ms)
{
    int changes = 0;
    std::size_t last = pic.GetCurrentFrame();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        lxtest::PumpMessages(10);
        if (pic.GetCurrentFrame() != last) {
            last = pic.GetCurrentFrame();
            ++changes;
        }
    }
    return changes;
}

BOOL LoadFileBytes(CAnimatedPicture* pic, const std::string& bytes)
{
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(mem), bytes.data(), bytes.size());
    GlobalUnlock(mem);
    BOOL ok = pic->Load(mem, static_cast<DWORD>(bytes.size()));
    GlobalFree(mem);
    return ok;
}

class AnimatedPicture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void SetUp() override { ASSERT_TRUE(m_pic.SubclassWindow(m_host.Static())); }
    BOOL LoadGif(int id)
    {
        return m_pic.LoadResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), "GIF");
    }
    Host m_host;
    CAnimatedPicture m_pic;
};

TEST_F(AnimatedPicture, FramesOfAnAnimatedGif)
{
    ASSERT_TRUE(LoadGif(IDG_WALK));
    EXPECT_TRUE(m_pic.IsGif());
    EXPECT_TRUE(m_pic.IsReady());
    EXPECT_EQ(m_pic.GetPictureSize().cx, 32);
    EXPECT_EQ(m_pic.GetPictureSize().cy, 16);
    RECT rc;
    GetClientRect(m_host.Static(), &rc);
    EXPECT_EQ(rc.right, 32) << "the control takes the picture size";
    EXPECT_EQ(rc.bottom, 16);
    struct {
        int left, top, width, height, delay, disposal;
        DWORD ms;
    } const want[] = {
        {0, 0, 32, 16, 10, 1, 100},
        {4, 4, 8, 8, 30, 2, 300},
        {20, 4, 8, 8, 30, 3, 300},
        {0, 0, 4, 4, 40, 1, 400},
    };
    ASSERT_EQ(m_pic.GetFrameCount(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const CAnimatedPicture::Frame& f = m_pic.GetFrame(i);
        SCOPED_TRACE(i);
        EXPECT_NE(f.picture, nullptr);
        EXPECT_EQ(f.left, want[i].left);
        EXPECT_EQ(f.top, want[i].top);
        EXPECT_EQ(f.width, want[i].width);
        EXPECT_EQ(f.height, want[i].height);
        EXPECT_EQ(f.delay, want[i].delay);
        EXPECT_EQ(f.disposal, want[i].disposal);
        EXPECT_EQ(CAnimatedPicture::FrameShowMs(f), want[i].ms);
    }

    // Frames without a control extension show for 100 ms, like short delays.
    ASSERT_TRUE(LoadGif(IDG_NOEXT));
    ASSERT_EQ(m_pic.GetFrameCount(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(m_pic.GetFrame(i).delay, -1);
        EXPECT_EQ(CAnimatedPicture::FrameShowMs(m_pic.GetFrame(i)), 100u);
    }
    CAnimatedPicture::Frame f;
    const std::pair<int, DWORD> delays[] = {{0, 100}, {3, 100}, {4, 100}, {5, 50}, {50, 500}};
    for (const auto& d : delays) {
        f.delay = d.first;
        EXPECT_EQ(CAnimatedPicture::FrameShowMs(f), d.second) << d.first;
    }
}

TEST_F(AnimatedPicture, PlaysWithDisposalOnTheCanvas)
{
    ASSERT_TRUE(LoadGif(IDG_WALK));
    EXPECT_FALSE(m_pic.Draw()) << "an animation starts and returns 0";
    ASSERT_TRUE(lxtest::PumpUntil([&] { return m_pic.IsPlaying(); }, 2000));
    const COLORREF bg = m_pic.GetBackgroundColor();
    EXPECT_EQ(bg, GetSysColor(COLOR_BTNFACE));

    ASSERT_TRUE(WaitFrame(m_pic, 1));
    EXPECT_EQ(m_pic.GetCanvasPixel(6, 6), kBlue);
    EXPECT_EQ(m_pic.GetCanvasPixel(22, 6), kRed);
    // The window shows the canvas.
    HDC dc = GetDC(m_host.Static());
    EXPECT_EQ(GetPixel(dc, 6, 6), kBlue);
    ReleaseDC(m_host.Static(), dc);

    ASSERT_TRUE(WaitFrame(m_pic, 2));
    EXPECT_EQ(m_pic.GetCanvasPixel(6, 6), bg) << "disposal 2 leaves the background";
    EXPECT_EQ(m_pic.GetCanvasPixel(22, 6), kGreen);
    EXPECT_EQ(m_pic.GetCanvasPixel(1, 1), kRed);

    ASSERT_TRUE(WaitFrame(m_pic, 3));
    EXPECT_EQ(m_pic.GetCanvasPixel(22, 6), kRed) << "disposal 3 restores what lay under";
    EXPECT_EQ(m_pic.GetCanvasPixel(1, 1), kYellow);
    lxtest::SaveWindowPng(m_host.Top(), "animatedpicture_walk");

    ASSERT_TRUE(WaitFrame(m_pic, 0));
    // Frame 0 shows only 100 ms: the blue frame may follow before the pixels are read.
    EXPECT_EQ(m_pic.GetCanvasPixel(1, 1), kRed) << "the loop starts again with the first frame";

    // Stopping (twice) ends the thread; loading again while playing stops first.
    m_pic.Stop();
    EXPECT_FALSE(m_pic.IsPlaying());
    const std::size_t at = m_pic.GetCurrentFrame();
    lxtest::PumpMessages(500);
    EXPECT_EQ(m_pic.GetCurrentFrame(), at);
    m_pic.Stop();
    EXPECT_FALSE(m_pic.Draw());
    ASSERT_TRUE(lxtest::PumpUntil([&] { return m_pic.IsPlaying(); }, 2000));
    ASSERT_TRUE(LoadGif(IDG_FAST));
    EXPECT_FALSE(m_pic.IsPlaying());
    EXPECT_EQ(m_pic.GetFrameCount(), 2u);

    // Destroying the window stops the animation.
    EXPECT_FALSE(m_pic.Draw());
    ASSERT_TRUE(lxtest::PumpUntil([&] { return m_pic.IsPlaying(); }, 2000));
    DestroyWindow(m_host.Top());
    EXPECT_FALSE(m_pic.IsPlaying());
    EXPECT_EQ(m_pic.GetSafeHwnd(), nullptr);
}

TEST_F(AnimatedPicture, ShortAndLongDelaysShowAsLongAsTheySay)
{
    // Delay 3 shows 100 ms, delay 50 shows 500 ms: in 1.5 s about 15 changes against 3.
    ASSERT_TRUE(LoadGif(IDG_FAST));
    m_pic.Draw();
    const int fast = CountChanges(m_pic, 1500);
    m_pic.Stop();
    ASSERT_TRUE(LoadGif(IDG_SLOW));
    m_pic.Draw();
    const int slow = CountChanges(m_pic, 1500);
    m_pic.Stop();
    EXPECT_GE(fast, 7);
    EXPECT_GE(slow, 1);
    EXPECT_LE(slow, 4);
}

TEST_F(AnimatedPicture, StillPicturesDrawWithoutAThread)
{
    m_pic.Stop();  // nothing loaded, nothing running: harmless
    m_pic.Stop();
    EXPECT_FALSE(m_pic.Draw()) << "nothing loaded";

    ASSERT_TRUE(LoadGif(IDG_STILL));
    EXPECT_TRUE(m_pic.IsGif());
    EXPECT_EQ(m_pic.GetFrameCount(), 0u);
    EXPECT_TRUE(m_pic.Draw());
    lxtest::PumpMessages(200);
    EXPECT_FALSE(m_pic.IsPlaying());
    EXPECT_EQ(m_pic.GetPictureSize().cx, 24);
    EXPECT_EQ(m_pic.GetPictureSize().cy, 12);
    EXPECT_EQ(m_pic.GetCanvasPixel(23, 11), RGB(0, 0, 128));

    const std::string bmp = lxtest::ReadFileBytes(std::string(LX_PICTURES_DIR) + "\\still.bmp");
    ASSERT_FALSE(bmp.empty());
    ASSERT_TRUE(LoadFileBytes(&m_pic, bmp));
    EXPECT_FALSE(m_pic.IsGif());
    EXPECT_EQ(m_pic.GetPictureSize().cx, 20);
    EXPECT_EQ(m_pic.GetPictureSize().cy, 10);
    EXPECT_TRUE(m_pic.Draw());
    lxtest::PumpMessages(100);
    EXPECT_FALSE(m_pic.IsPlaying());
    EXPECT_EQ(m_pic.GetCanvasPixel(10, 5), RGB(255, 165, 0));

    m_pic.UnLoad();
    EXPECT_FALSE(m_pic.IsReady());
    EXPECT_EQ(m_pic.GetBackgroundColor(), RGB(255, 255, 255));
    EXPECT_EQ(m_pic.GetCanvasPixel(0, 0), CLR_INVALID);

    // What is no picture loads nothing.
    const std::string bad[] = {"", "GIF", "GIF89a\x01", std::string("GIF89a\x10\0\x10\0\0\0\0;", 14),
                               "not a picture at all"};
    for (const std::string& b : bad) {
        EXPECT_FALSE(b.empty() ? FALSE : LoadFileBytes(&m_pic, b)) << b.size();
        EXPECT_FALSE(m_pic.IsReady());
    }
    EXPECT_FALSE(m_pic.LoadResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999), "GIF"));
    EXPECT_FALSE(m_pic.LoadResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDG_WALK), "PNG"));
}

}  // namespace
