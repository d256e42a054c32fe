// CAnimatedPicture: a static control that shows a picture and, when the picture is a GIF of
// several frames, plays the animation on a thread of its own.
//
// The control subclasses an existing static control (SubclassWindow); from then on it paints
// the window from its canvas and stops the animation when the window is destroyed. Pictures
// are decoded by the system's OLE picture loader (OleLoadPicture); the control itself only walks
// the GIF blocks to cut an animated GIF into single-frame GIFs. The thread that loads must have
// COM initialised (the picture loader uses the system's image codecs).
//
// Frames are shown for their delay in hundredths of a second; a delay of 4 or less shows for
// 100 ms, and so does a frame that has no graphic control extension at all (browsers do the
// same for frames without a delay).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <cstddef>
#include <vector>

class CAnimatedPicture {
public:
    // One frame of an animated GIF.
    struct Frame {
        IPicture* picture = nullptr;  // the single-frame GIF, decoded
        int width = 0, height = 0, left = 0, top = 0;  // from the image descriptor
        int delay = -1;     // hundredths of a second; -1 when the frame has no control extension
        int disposal = 0;   // 0-7 from the control extension (2 background, 3 previous)
    };

    CAnimatedPicture();
    ~CAnimatedPicture();
    CAnimatedPicture(const CAnimatedPicture&) = delete;
    CAnimatedPicture& operator=(const CAnimatedPicture&) = delete;

    // Takes over a static control's painting. False when hwnd is no window or is taken already.
    BOOL SubclassWindow(HWND hwnd);
    HWND GetSafeHwnd() const { return m_hwnd; }

    // Loads resource `name` of type `type` (e.g. "GIF") from `module`. 1 when a picture loaded.
    BOOL LoadResource(HINSTANCE module, LPCSTR name, LPCSTR type);
    // Loads the image bytes in movable global memory; the caller keeps and frees the memory.
    BOOL Load(HGLOBAL data, DWORD size);
    // Starts the animation (0) or draws a still picture into the canvas (1); 0 when empty.
    BOOL Draw();
    // Stops a running animation; harmless when none runs.
    void Stop();
    // Stops and releases everything loaded.
    void UnLoad();

    // State, for the owner and the tests.
    bool IsGif() const { return m_isGif; }
    bool IsReady() const { return m_ready; }
    bool IsPlaying() const { return m_playing; }
    SIZE GetPictureSize() const { return m_size; }
    std::size_t GetFrameCount() const { return m_frames.size(); }
    const Frame& GetFrame(std::size_t i) const { return m_frames[i]; }
    std::size_t GetCurrentFrame() const { return m_current; }
    COLORREF GetBackgroundColor() const { return m_background; }
    // Colour of one canvas pixel (CLR_INVALID outside the canvas or before it exists).
    COLORREF GetCanvasPixel(int x, int y) const;
    // How long a frame shows, in milliseconds.
    static DWORD FrameShowMs(const Frame& frame);

private:
    struct Block;
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static DWORD WINAPI ThreadProc(LPVOID self);
    bool WalkImages(const BYTE* data, std::size_t size, std::vector<Block>* images) const;
    BOOL LoadGif(const BYTE* data, std::size_t size, HGLOBAL whole);
    static IPicture* LoadPicture(HGLOBAL memory, DWORD size, bool freeWithStream);
    bool MakeCanvas(int width, int height);
    void Animate();
    void ApplyDisposal(const Frame& frame);
    void SaveArea(const Frame& frame);
    void DeleteSavedArea();
    void FillCanvas(const RECT& rect);
    static bool Render(IPicture* picture, HDC dc, int x, int y, int cx, int cy);
    void Paint();

    HWND m_hwnd = nullptr;
    bool m_isGif = false;
    IPicture* m_picture = nullptr;
    std::vector<Frame> m_frames;
    SIZE m_size{0, 0};
    std::size_t m_colorTableSize = 0;

    HDC m_canvas = nullptr;
    HBITMAP m_canvasBitmap = nullptr, m_canvasOld = nullptr;
    HDC m_saved = nullptr;
    HBITMAP m_savedBitmap = nullptr, m_savedOld = nullptr;
    RECT m_savedRect{0, 0, 0, 0};
    COLORREF m_background = RGB(255, 255, 255);
    bool m_ready = false;

    HANDLE m_thread = nullptr;
    HANDLE m_stopEvent = nullptr;
    std::atomic<bool> m_exit{false};
    std::atomic<bool> m_playing{false};
    std::atomic<std::size_t> m_current{0};
};
