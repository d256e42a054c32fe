#include "lxtest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

#ifndef LXTEST_BUILD_DIR
#error "LXTEST_BUILD_DIR must name the build tree"
#endif

namespace lxtest {

namespace {

std::map<std::string, ChildFn>& Children()
{
    static std::map<std::string, ChildFn> roles;
    return roles;
}

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

bool RegisterChild(const char* role, ChildFn fn)
{
    Children()[role] = std::move(fn);
    return true;
}

HANDLE StartChild(const std::string& role, const std::string& args, const std::string& workDir)
{
    std::string cmd = "\"" + SelfPath() + "\" --lxtest-child " + role;
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
    HANDLE p = StartChild(role, args, workDir);
    if (!p)
        return -1;
    int code = WaitExit(p, timeoutMs);
    if (code == -1)
        TerminateProcess(p, 99);
    CloseHandle(p);
    return code;
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

}  // namespace lxtest

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--lxtest-child") {
        auto& roles = lxtest::Children();
        auto it = roles.find(argv[2]);
        if (it == roles.end()) {
            std::fprintf(stderr, "no child role %s\n", argv[2]);
            return 125;
        }
        return it->second(argc - 3, argv + 3);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
