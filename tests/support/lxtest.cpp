#include "lxtest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

#ifndef LXTEST_BUILD_DIR
#error "LXTEST_BUILD_DIR must name the build tree"
#endif

namespace lxtest {

std::map<std::string, ChildFn>& Children()
{
    static std::map<std::string, ChildFn> roles;
    return roles;
}

namespace {

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string n = fd.cFileName;
            if (n == "." || n == "..")
                continue;
            const std::string p = dir + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(p);
            } else {
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(p.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string SelfPath()
{
    char buf[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n);
}

// --- PNG: stored (uncompressed) deflate blocks are enough for screenshots ---------------

uint32_t Crc32(const unsigned char* p, size_t n, uint32_t crc = 0)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBE32(std::vector<unsigned char>& out, uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void PutChunk(std::vector<unsigned char>& out, const char* type,
              const std::vector<unsigned char>& data)
{
    PutBE32(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBE32(out, Crc32(body.data(), body.size()));
}

}  // namespace

std::string BuildDir() { return LXTEST_BUILD_DIR; }
std::string StageDir() { return BuildDir() + "\\stage"; }
std::string ScreenshotDir() { return BuildDir() + "\\screenshots"; }

std::string FreshDir(const std::string& name)
{
    const std::string root = BuildDir() + "\\testrun";
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string dir = root + "\\" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

CurrentDir::CurrentDir(const std::string& path)
{
    char buf[MAX_PATH * 2];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    m_old.assign(buf, n);
    SetCurrentDirectoryA(path.c_str());
}

CurrentDir::~CurrentDir()
{
    SetCurrentDirectoryA(m_old.c_str());
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::string all;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        all.append(buf, got);
    CloseHandle(h);
    return all;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
    return ok && put == bytes.size();
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string CopySkinnedDialogs()
{
    const std::string stage = StageDir();
    for (const char* file : {"lxskin.dll", "lxpmsgbx.dll"})
        if (!CopyFileA((stage + "\\" + file).c_str(), file, FALSE))
            return file;
    CreateDirectoryA("skin", nullptr);
    for (const char* skin : {"lxpen01.skn", "lxpde01.skn", "lxpzh01.skn", "lxpvi01.skn"})
        CopyFileA((stage + "\\skin\\" + skin).c_str(), (std::string("skin\\") + skin).c_str(),
                  FALSE);
    return "";
}

bool CopyRuntimeDlls(const std::string& fromDir, const std::string& toDir)
{
    for (const char* dll : {"libgcc_s_dw2-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll"}) {
        const std::string from = fromDir + "\\" + dll;
        if (FileExists(from) && !CopyFileA(from.c_str(), (toDir + "\\" + dll).c_str(), FALSE))
            return false;
    }
    return true;
}

std::string WineVersion()
{
    using VersionFn = const char*(CDECL*)();
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto fn = ntdll ? reinterpret_cast<VersionFn>(reinterpret_cast<void*>(
                                GetProcAddress(ntdll, "wine_get_version")))
                          : nullptr;
    const char* v = fn ? fn() : nullptr;
    return v ? v : "";
}

HANDLE StartProgram(const std::string& exe, const std::string& args, const std::string& workDir)
{
    std::string cmd = "\"" + exe + "\"";
    if (!args.empty())
        cmd += " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

bool Ended(HANDLE process)
{
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

int FinishChild(HANDLE process, DWORD timeoutMs)
{
    if (!process)
        return -1;
    const int code = WaitExit(process, timeoutMs);
    if (code == -1)
        TerminateProcess(process, 99);
    CloseHandle(process);
    return code;
}

namespace {

struct DialogSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (owner == s->pid && std::string(cls) == "#32770")
        s->found.push_back(hwnd);
    return TRUE;
}

std::string TextOf(HWND hwnd)
{
    char buf[1024] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

}  // namespace

std::vector<HWND> ProcessDialogs(DWORD pid)
{
    DialogSearch search{pid, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindProcessDialog(DWORD pid)
{
    for (HWND d : ProcessDialogs(pid))
        if (IsWindowVisible(d))
            return d;
    return nullptr;
}

HWND WaitChildDialog(HANDLE child, DWORD timeoutMs)
{
    HWND dlg = nullptr;
    const DWORD pid = child ? GetProcessId(child) : 0;
    PumpUntil([&] { return (dlg = FindProcessDialog(pid)) != nullptr || Ended(child); },
              timeoutMs);
    return dlg;
}

std::string MessageBoxText(HWND box)
{
    // The system's box keeps its text in control 0xFFFF, the skinned box in its message area.
    HWND text = GetDlgItem(box, 0xFFFF);
    return TextOf(text ? text : GetDlgItem(box, 1036));
}

std::string StaticTexts(HWND hwnd)
{
    std::string all;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (_stricmp(cls, "Static") == 0)
            all += TextOf(child);
    }
    return all;
}

std::string WindowTitle(HWND hwnd)
{
    return TextOf(hwnd);
}

ChildBox AnswerChildBox(HANDLE child, const std::string& shot)
{
    ChildBox seen;
    HWND box = WaitChildDialog(child);
    if (box) {
        seen.shown = true;
        seen.text = MessageBoxText(box);
        seen.title = WindowTitle(box);
        seen.owner = GetWindow(box, GW_OWNER);
        if (!shot.empty())
            SaveWindowPng(box, shot);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    seen.exitCode = FinishChild(child, 20000);
    return seen;
}

std::vector<std::string> LogLines(const std::string& path, size_t from,
                                  const std::function<bool(const std::string&)>& joins)
{
    // Length of the time stamp and the separator of the one-text ("  ") or two-text (" -- ")
    // form; 0 when the line has neither.
    auto stamped = [](const std::string& line) -> size_t {
        static const char kForm[] = "dd/dd/dd dd:dd:dd";
        if (line.size() < 19)
            return 0;
        for (size_t i = 0; i < 17; ++i)
            if (kForm[i] == 'd' ? !isdigit(static_cast<unsigned char>(line[i]))
                                : line[i] != kForm[i])
                return 0;
        if (line.compare(17, 2, "  ") == 0)
            return 19;
        return line.compare(17, 4, " -- ") == 0 ? 21 : 0;
    };
    const std::string text = ReadFileBytes(path);
    std::vector<std::string> lines;
    size_t start = from;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        while (end != std::string::npos && joins && joins(text.substr(start, end - start))) {
            const size_t next = text.find("\r\n", end + 2);
            if (next == std::string::npos)
                break;
            end = next;
        }
        const std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        const size_t text = end != std::string::npos ? stamped(line) : 0;
        lines.push_back(text ? line.substr(text) : "BAD LINE: " + line);
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    for (const auto& l : lines)
        if (l == text)
            return true;
    return false;
}

bool HasLineWith(const std::vector<std::string>& lines, const std::string& part)
{
    for (const auto& l : lines)
        if (l.find(part) != std::string::npos)
            return true;
    return false;
}

MessageWindow::MessageWindow(std::vector<UINT> watched, const char* title)
    : m_watched(std::move(watched))
{
    InitializeCriticalSection(&m_lock);
    static const char kClass[] = "LxTestMessageWindow";
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &wc)) {
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    m_hwnd = CreateWindowExA(0, kClass, title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), this);
}

MessageWindow::~MessageWindow()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    DeleteCriticalSection(&m_lock);
}

std::vector<Message> MessageWindow::Seen() const
{
    EnterCriticalSection(&m_lock);
    std::vector<Message> copy = m_seen;
    LeaveCriticalSection(&m_lock);
    return copy;
}

std::vector<WPARAM> MessageWindow::WParams() const
{
    std::vector<WPARAM> out;
    for (const Message& m : Seen())
        out.push_back(m.wParam);
    return out;
}

void MessageWindow::Clear()
{
    EnterCriticalSection(&m_lock);
    m_seen.clear();
    LeaveCriticalSection(&m_lock);
}

LRESULT CALLBACK MessageWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const bool watched =
        self && msg != 0 &&
        (self->m_watched.empty()
             ? msg >= 0xC000 && msg <= 0xFFFF
             : std::find(self->m_watched.begin(), self->m_watched.end(), msg) !=
                   self->m_watched.end());
    if (watched) {
        const Message m{msg, wParam, lParam};
        EnterCriticalSection(&self->m_lock);
        self->m_seen.push_back(m);
        LeaveCriticalSection(&self->m_lock);
        if (self->onMessage)
            self->onMessage(m);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool RegisterChild(const char* role, ChildFn fn)
{
    Children()[role] = std::move(fn);
    return true;
}

HANDLE StartChild(const std::string& role, const std::string& args, const std::string& workDir)
{
    return StartProgram(SelfPath(), "--lxtest-child " + role + (args.empty() ? "" : " " + args),
                        workDir);
}

int WaitExit(HANDLE process, DWORD timeoutMs)
{
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}

int RunChild(const std::string& role, const std::string& args, DWORD timeoutMs,
             const std::string& workDir)
{
    return FinishChild(StartChild(role, args, workDir), timeoutMs);
}

void PumpMessages(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& pred, DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (pred())
            return true;
        if (GetTickCount() - start >= ms)
            return pred();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool WritePng(const std::string& path, const unsigned char* bgr, int width, int height,
              int strideBytes)
{
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        const unsigned char* row = bgr + static_cast<size_t>(y) * strideBytes;
        for (int x = 0; x < width; ++x) {
            raw.push_back(row[x * 3 + 2]);
            raw.push_back(row[x * 3 + 1]);
            raw.push_back(row[x * 3 + 0]);
        }
    }
    // zlib stream of stored blocks
    std::vector<unsigned char> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    size_t pos = 0;
    do {
        const size_t n = raw.size() - pos > 65535 ? 65535 : raw.size() - pos;
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    PutBE32(z, (b << 16) | a);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> ihdr;
    PutBE32(ihdr, static_cast<uint32_t>(width));
    PutBE32(ihdr, static_cast<uint32_t>(height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    return WriteFileBytes(path, std::string(png.begin(), png.end()));
}

std::string SaveScreenPng(const RECT& r, const std::string& name)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return std::string();
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::string file;
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const std::string path = ScreenshotDir() + "\\" + name + ".png";
        CreateDirectoryA(ScreenshotDir().c_str(), nullptr);
        if (WritePng(path, static_cast<unsigned char*>(bits), w, h, ((w * 3 + 3) / 4) * 4))
            file = path;
        SelectObject(mem, old);
    }
    if (bmp)
        DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return file;
}

std::string SaveWindowPng(HWND hwnd, const std::string& name)
{
    RECT r;
    if (!GetWindowRect(hwnd, &r))
        return std::string();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages(100);
    return SaveScreenPng(r, name);
}

void SendMouse(DWORD flags, POINT pt)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(pt.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(pt.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof in);
}

}  // namespace lxtest
