#include "animatedpicture.h"

#include <commctrl.h>
#include <olectl.h>

#include <cstring>

namespace {

const UINT_PTR kSubclassId = 0x4C58414E;  // "LXAN"
const std::size_t kHeaderSize = 13;
const DWORD kShortestMs = 100;
const DWORD kStopWaitMs = 5000;

unsigned Word(const BYTE* p) { return p[0] | (p[1] << 8); }

std::size_t ColorTableBytes(BYTE packed)
{
    return (packed & 0x80) ? 3u * (1u << ((packed & 7) + 1)) : 0;
}

// End of the data sub-blocks starting at pos (after their zero terminator), 0 past the end.
std::size_t SkipSubBlocks(const BYTE* data, std::size_t size, std::size_t pos)
{
    while (pos < size) {
        if (data[pos] == 0)
            return pos + 1;
        pos += data[pos] + 1u;
    }
    return 0;
}

// Restores a memory device context's first bitmap, deletes both and forgets them.
void DeleteMemoryDC(HDC* dc, HBITMAP* bitmap, HBITMAP* old)
{
    if (*dc && *old)
        SelectObject(*dc, *old);
    if (*bitmap)
        DeleteObject(*bitmap);
    if (*dc)
        DeleteDC(*dc);
    *dc = nullptr;
    *bitmap = *old = nullptr;
}

}  // namespace

// An image found by the block walk: its bytes from the control extension before it (or from
// its descriptor) through the end of its data.
struct CAnimatedPicture::Block {
    std::size_t start = 0, end = 0;
    Frame frame;
};

CAnimatedPicture::CAnimatedPicture()
{
    m_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CAnimatedPicture::~CAnimatedPicture()
{
    UnLoad();
    if (m_hwnd)
        RemoveWindowSubclass(m_hwnd, SubclassProc, kSubclassId);
    if (m_stopEvent)
        CloseHandle(m_stopEvent);
}

BOOL CAnimatedPicture::SubclassWindow(HWND hwnd)
{
    if (m_hwnd || !IsWindow(hwnd))
        return FALSE;
    if (!SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_hwnd = hwnd;
    return TRUE;
}

LRESULT CALLBACK CAnimatedPicture::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                                UINT_PTR, DWORD_PTR ref)
{
    auto* self = reinterpret_cast<CAnimatedPicture*>(ref);
    switch (msg) {
    case WM_PAINT:
        if (self->m_ready) {
            self->Paint();
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        if (self->m_ready)
            return 1;
        break;
    case WM_DESTROY:
        self->Stop();
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        self->m_hwnd = nullptr;
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CAnimatedPicture::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hwnd, &ps);
    BitBlt(dc, 0, 0, m_size.cx, m_size.cy, m_canvas, 0, 0, SRCCOPY);
    EndPaint(m_hwnd, &ps);
}

BOOL CAnimatedPicture::LoadResource(HINSTANCE module, LPCSTR name, LPCSTR type)
{
    HRSRC res = FindResourceA(module, name, type);
    HGLOBAL loaded = res ? ::LoadResource(module, res) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = res ? SizeofResource(module, res) : 0;
    if (!bytes || size == 0)
        return FALSE;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy)
        return FALSE;
    BOOL ok = FALSE;
    if (void* p = GlobalLock(copy)) {
        std::memcpy(p, bytes, size);
        GlobalUnlock(copy);
        ok = Load(copy, size);
    }
    GlobalFree(copy);
    return ok;
}

IPicture* CAnimatedPicture::LoadPicture(HGLOBAL memory, DWORD size, bool freeWithStream)
{
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, freeWithStream ? TRUE : FALSE, &stream))) {
        if (freeWithStream)
            GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture))))
        picture = nullptr;
    stream->Release();
    return picture;
}

BOOL CAnimatedPicture::Load(HGLOBAL data, DWORD size)
{
    UnLoad();
    const BYTE* bytes = data ? static_cast<const BYTE*>(GlobalLock(data)) : nullptr;
    if (!bytes)
        return FALSE;
    BOOL ok = FALSE;
    if (size >= 3 && std::memcmp(bytes, "GIF", 3) == 0) {
        ok = LoadGif(bytes, size, data);
    } else if ((m_picture = LoadPicture(data, size, false)) != nullptr) {
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        m_picture->get_Width(&w);
        m_picture->get_Height(&h);
        HDC screen = GetDC(nullptr);
        int cx = MulDiv(w, GetDeviceCaps(screen, LOGPIXELSX), 2540);
        int cy = MulDiv(h, GetDeviceCaps(screen, LOGPIXELSY), 2540);
        ReleaseDC(nullptr, screen);
        ok = MakeCanvas(cx, cy) ? TRUE : FALSE;
    }
    GlobalUnlock(data);
    return ok;
}

bool CAnimatedPicture::WalkImages(const BYTE* data, std::size_t size,
                                  std::vector<Block>* images) const
{
    std::size_t pos = kHeaderSize + m_colorTableSize;
    Block pending;
    bool extension = false;
    while (pos < size) {
        const BYTE kind = data[pos];
        std::size_t end = 0;
        if (kind == '!' && pos + 1 < size) {
            const BYTE label = data[pos + 1];
            if (label != 0xF9 && label != 0xFE && label != 0xFF && label != 0x01)
                break;
            end = SkipSubBlocks(data, size, pos + 2);
            if (!end)
                break;
            if (label == 0xF9 && end - pos == 8) {
                pending = Block();
                pending.start = pos;
                pending.frame.disposal = (data[pos + 3] >> 2) & 7;
                pending.frame.delay = static_cast<int>(Word(data + pos + 4));
                extension = true;
            }
        } else if (kind == ',' && pos + 10 <= size) {
            const BYTE* d = data + pos;
            std::size_t lzw = pos + 10 + ColorTableBytes(d[9]);
            end = lzw < size ? SkipSubBlocks(data, size, lzw + 1) : 0;
            if (!end)
                break;
            Block image = extension ? pending : Block();
            if (!extension)
                image.start = pos;
            image.end = end;
            image.frame.left = static_cast<int>(Word(d + 1));
            image.frame.top = static_cast<int>(Word(d + 3));
            image.frame.width = static_cast<int>(Word(d + 5));
            image.frame.height = static_cast<int>(Word(d + 7));
            images->push_back(image);
            extension = false;
        } else {
            break;  // the trailer, or something that is no GIF block
        }
        pos = end;
    }
    return !images->empty();
}

BOOL CAnimatedPicture::LoadGif(const BYTE* data, std::size_t size, HGLOBAL whole)
{
    m_isGif = true;
    if (size < kHeaderSize)
        return FALSE;
    m_size.cx = static_cast<LONG>(Word(data + 6));
    m_size.cy = static_cast<LONG>(Word(data + 8));
    m_colorTableSize = ColorTableBytes(data[10]);
    const std::size_t head = kHeaderSize + m_colorTableSize;
    if (head > size)
        return FALSE;
    std::vector<Block> images;
    if (!WalkImages(data, size, &images))
        return FALSE;
    if (images.size() == 1) {
        m_picture = LoadPicture(whole, static_cast<DWORD>(size), false);
        return m_picture && MakeCanvas(m_size.cx, m_size.cy);
    }
    for (const Block& image : images) {
        const std::size_t length = head + (image.end - image.start) + 1;
        // Streams over global memory want it movable; the stream frees it with itself.
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, length);
        BYTE* p = mem ? static_cast<BYTE*>(GlobalLock(mem)) : nullptr;
        if (!p) {
            if (mem)
                GlobalFree(mem);
            continue;
        }
        std::memcpy(p, data, head);
        std::memcpy(p + head, data + image.start, image.end - image.start);
        p[length - 1] = 0x3B;
        GlobalUnlock(mem);
        Frame frame = image.frame;
        frame.picture = LoadPicture(mem, static_cast<DWORD>(length), true);
        if (frame.picture)
            m_frames.push_back(frame);
    }
    return !m_frames.empty() && MakeCanvas(m_size.cx, m_size.cy);
}

bool CAnimatedPicture::MakeCanvas(int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    m_size.cx = width;
    m_size.cy = height;
    if (m_hwnd)
        SetWindowPos(m_hwnd, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HDC window = GetDC(m_hwnd);
    m_canvas = CreateCompatibleDC(window);
    m_canvasBitmap = CreateCompatibleBitmap(window, width, height);
    ReleaseDC(m_hwnd, window);
    if (!m_canvas || !m_canvasBitmap)
        return false;
    m_canvasOld = static_cast<HBITMAP>(SelectObject(m_canvas, m_canvasBitmap));
    m_background = GetSysColor(COLOR_BTNFACE);
    RECT all{0, 0, width, height};
    FillRect(m_canvas, &all, GetSysColorBrush(COLOR_MENU));
    m_ready = true;
    return true;
}

bool CAnimatedPicture::Render(IPicture* picture, HDC dc, int x, int y, int cx, int cy)
{
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    if (FAILED(picture->get_Width(&w)) || FAILED(picture->get_Height(&h)))
        return false;
    return SUCCEEDED(picture->Render(dc, x, y, cx, cy, 0, h, w, -h, nullptr));
}

BOOL CAnimatedPicture::Draw()
{
    if (!m_ready)
        return FALSE;
    if (m_isGif && m_frames.size() >= 2) {
        if (m_thread)
            return FALSE;  // already playing
        DWORD id = 0;
        m_thread = CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id);
        if (m_thread)
            ResumeThread(m_thread);
        return FALSE;
    }
    if (!m_picture)
        return FALSE;
    Render(m_picture, m_canvas, 0, 0, m_size.cx, m_size.cy);
    if (m_hwnd)
        InvalidateRect(m_hwnd, nullptr, FALSE);
    return TRUE;
}

DWORD WINAPI CAnimatedPicture::ThreadProc(LPVOID self)
{
    static_cast<CAnimatedPicture*>(self)->Animate();
    return 0;
}

DWORD CAnimatedPicture::FrameShowMs(const Frame& frame)
{
    if (frame.delay <= 4)  // also a frame without a control extension (-1)
        return kShortestMs;
    return static_cast<DWORD>(frame.delay) * 10;
}

void CAnimatedPicture::FillCanvas(const RECT& rect)
{
    HBRUSH brush = CreateSolidBrush(m_background);
    FillRect(m_canvas, &rect, brush);
    DeleteObject(brush);
}

void CAnimatedPicture::SaveArea(const Frame& frame)
{
    DeleteSavedArea();
    m_saved = CreateCompatibleDC(m_canvas);
    m_savedBitmap = CreateCompatibleBitmap(m_canvas, frame.width, frame.height);
    if (!m_saved || !m_savedBitmap) {
        DeleteSavedArea();
        return;
    }
    m_savedOld = static_cast<HBITMAP>(SelectObject(m_saved, m_savedBitmap));
    m_savedRect = RECT{frame.left, frame.top, frame.left + frame.width, frame.top + frame.height};
    BitBlt(m_saved, 0, 0, frame.width, frame.height, m_canvas, frame.left, frame.top, SRCCOPY);
}

void CAnimatedPicture::DeleteSavedArea() { DeleteMemoryDC(&m_saved, &m_savedBitmap, &m_savedOld); }

void CAnimatedPicture::ApplyDisposal(const Frame& frame)
{
    if (frame.disposal == 2) {
        FillCanvas(RECT{frame.left, frame.top, frame.left + frame.width, frame.top + frame.height});
    } else if (frame.disposal == 3 && m_saved) {
        BitBlt(m_canvas, m_savedRect.left, m_savedRect.top, m_savedRect.right - m_savedRect.left,
               m_savedRect.bottom - m_savedRect.top, m_saved, 0, 0, SRCCOPY);
        DeleteSavedArea();
    }
}

void CAnimatedPicture::Animate()
{
    m_playing = true;
    ApplyDisposal(m_frames[m_current]);
    while (!m_exit) {
        const Frame& frame = m_frames[m_current];
        if (frame.picture) {
            if (frame.disposal == 3)
                SaveArea(frame);
            if (Render(frame.picture, m_canvas, frame.left, frame.top, frame.width, frame.height) &&
                m_hwnd)
                InvalidateRect(m_hwnd, nullptr, FALSE);
            if (m_exit)
                break;
            WaitForSingleObject(m_stopEvent, FrameShowMs(frame));
            if (m_exit)
                break;
            ApplyDisposal(frame);
        }
        if (m_current + 1 < m_frames.size()) {
            ++m_current;
        } else {
            m_current = 0;
            FillCanvas(RECT{0, 0, m_size.cx, m_size.cy});
        }
    }
    // The thread ends only through Stop, which waits for it and closes its handle.
    m_playing = false;
}

void CAnimatedPicture::Stop()
{
    m_playing = false;
    m_exit = true;
    if (m_stopEvent)
        SetEvent(m_stopEvent);
    if (m_thread) {
        WaitForSingleObject(m_thread, kStopWaitMs);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_stopEvent)
        ResetEvent(m_stopEvent);
    m_exit = false;
}

void CAnimatedPicture::UnLoad()
{
    Stop();
    if (m_picture)
        m_picture->Release();
    m_picture = nullptr;
    for (Frame& frame : m_frames)
        if (frame.picture)
            frame.picture->Release();
    m_frames.clear();
    DeleteMemoryDC(&m_canvas, &m_canvasBitmap, &m_canvasOld);
    DeleteSavedArea();
    m_size = SIZE{0, 0};
    m_savedRect = RECT{0, 0, 0, 0};
    m_current = 0;
    m_colorTableSize = 0;
    m_isGif = false;
    m_ready = false;
    m_background = RGB(255, 255, 255);
}

COLORREF CAnimatedPicture::GetCanvasPixel(int x, int y) const
{
    if (!m_canvas || x < 0 || y < 0 || x >= m_size.cx || y >= m_size.cy)
        return CLR_INVALID;
    return GetPixel(m_canvas, x, y);
}
