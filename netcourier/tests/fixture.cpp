#include "fixture.h"

#include <wininet.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace nctest {

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool WriteReplace(const std::string& path, const std::string& bytes)
{
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f)
            return false;
        f << bytes;
    }
    return MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = s.find(sep, start);
        parts.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

}  // namespace

std::string ToHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::string FromHex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string UnixPath(const std::string& windowsPath)
{
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (fn) {
        wchar_t wide[MAX_PATH * 2];
        MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
        if (char* p = fn(wide)) {
            std::string s = p;
            HeapFree(GetProcessHeap(), 0, p);
            return s;
        }
    }
    std::string s = windowsPath.size() > 2 && windowsPath[1] == ':' ? windowsPath.substr(2)
                                                                    : windowsPath;
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const std::string& line : Split(headers, '\n')) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || colon != name.size())
            continue;
        if (_strnicmp(line.c_str(), name.c_str(), name.size()) != 0)
            continue;
        size_t v = colon + 1;
        while (v < line.size() && line[v] == ' ')
            ++v;
        return line.substr(v);
    }
    return std::string();
}

FixtureServer::FixtureServer(const std::string& folder) : m_folder(folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\port").c_str());
    DeleteFileA((folder + "\\requests.log").c_str());
    SetReply(Reply());
    std::string cmd = std::string("/usr/bin/python3 ") + NC_FIXTURE_SERVER + " --dir \"" +
                      UnixPath(folder) + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    // Wine starts a Linux program without a process handle: the server is stopped through
    // its own quit request (and stops by itself when left idle).
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return;
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    for (int i = 0; i < 300 && m_port == 0; ++i) {
        const std::string text = ReadAll(folder + "\\port");
        if (!text.empty())
            m_port = std::atoi(text.c_str());
        else
            Sleep(50);
    }
}

FixtureServer::~FixtureServer()
{
    if (m_port == 0)
        return;
    HINTERNET root = InternetOpenA("fixture", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!root)
        return;
    const std::string url = "http://127.0.0.1:" + PortText() + "/__quit";
    if (HINTERNET h = InternetOpenUrlA(root, url.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0))
        InternetCloseHandle(h);
    InternetCloseHandle(root);
}

void FixtureServer::SetReply(const Reply& reply)
{
    std::string cfg = "status=" + std::to_string(reply.status) + "\nbody_hex=" +
                      ToHex(reply.body) + "\nmode=" + reply.mode +
                      "\ndelay_ms=" + std::to_string(reply.delayMs) +
                      "\nredirect_to=" + reply.redirectTo + "\n";
    WriteReplace(m_folder + "\\reply.cfg", cfg);
}

std::vector<RecordedRequest> FixtureServer::Requests() const
{
    std::vector<RecordedRequest> out;
    for (const std::string& line : Split(ReadAll(m_folder + "\\requests.log"), '\n')) {
        const std::vector<std::string> f = Split(line, '\t');
        if (f.size() < 5)
            continue;
        RecordedRequest r;
        r.method = f[0];
        r.path = f[1];
        r.body = FromHex(f[2]);
        r.headers = FromHex(f[3]);
        r.inFlight = std::atoi(f[4].c_str());
        out.push_back(r);
    }
    return out;
}

void FixtureServer::ClearRequests()
{
    DeleteFileA((m_folder + "\\requests.log").c_str());
}

}  // namespace nctest
