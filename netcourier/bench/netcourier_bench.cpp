// Figures of netcourier: transport codec throughput, and request-to-reply latency on
// loopback through CCommClient::SendRequest beside a bare WinInet GET of the same URL.
#include "netcourier.h"
#include "transportcodec.h"

#include "../tests/fixture.h"

#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER x;
        QueryPerformanceFrequency(&x);
        return x;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void CodecFigures(const char* name, const std::string& text)
{
    std::string enc, dec;
    netcourier::TransportEncode(text, enc);
    const int rounds = std::max(20, static_cast<int>(20000000 / text.size()));
    double t0 = Now();
    for (int i = 0; i < rounds; ++i)
        netcourier::TransportEncode(text, enc);
    const double te = Now() - t0;
    t0 = Now();
    for (int i = 0; i < rounds; ++i)
        netcourier::TransportDecode(enc, dec);
    const double td = Now() - t0;
    const double mb = static_cast<double>(text.size()) * rounds / 1e6;
    std::printf("codec %-22s %7zu bytes -> %7zu chars  encode %7.1f MB/s  decode %7.1f MB/s  (%s)\n",
                name, text.size(), enc.size(), mb / te, mb / td, dec == text ? "round trip ok" : "ROUND TRIP FAILED");
}

HANDLE g_replied;
double g_replyAt;
int g_replyStatus;

int OnReply(UINT, int status, const char*, int, HWND)
{
    g_replyAt = Now();
    g_replyStatus = status;
    SetEvent(g_replied);
    return 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double BareGet(const std::string& port, const std::string& object)
{
    const double t0 = Now();
    HINTERNET root = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET conn = InternetConnectA(root, "127.0.0.1", static_cast<INTERNET_PORT>(std::atoi(port.c_str())),
                                      nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET req = HttpOpenRequestA(conn, "GET", object.c_str(), nullptr, nullptr, nullptr,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    double t = -1;
    if (req && HttpSendRequestA(req, nullptr, 0, nullptr, 0)) {
        char buf[1024];
        DWORD got = 0;
        std::string body;
        while (InternetReadFile(req, buf, sizeof buf, &got) && got > 0)
            body.append(buf, got);
        std::string dec;
        if (netcourier::TransportDecode(body.substr(0, body.size() - 2), dec))
            t = Now() - t0;
    }
    if (req)
        InternetCloseHandle(req);
    if (conn)
        InternetCloseHandle(conn);
    if (root)
        InternetCloseHandle(root);
    return t;
}

}  // namespace

int main()
{
    // Codec.
    std::string line = "LXK;2.9;1234;3;112;|someone.somewhere@example.org|John|Smith|Main Street 12|"
                       "Springfield|IL|62701|US|+1 217 555 0100|en|";
    while (line.size() < 200)
        line += "x";
    line.resize(200);
    CodecFigures("request line", line);
    static const char* words[] = {"the", "dictionary", "pop-up", "shows", "a", "word", "under",
                                  "mouse", "pointer", "and", "its", "meaning", "in", "several",
                                  "languages", "with", "examples", "of", "use", "."};
    std::mt19937 rng(1);
    std::string text;
    while (text.size() < 65536) {
        text += words[rng() % 20];
        text += rng() % 12 == 0 ? "\r\n" : " ";
    }
    text.resize(65536);
    CodecFigures("64 KB of text", text);

    // Latency on loopback.
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder = exe;
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\netcourier_fixture";
    nctest::FixtureServer server(folder);
    if (!server.Running()) {
        std::printf("latency: fixture server did not start\n");
        return 1;
    }
    nctest::Reply reply;
    std::string enc;
    netcourier::TransportEncode("104.00|ok|", enc);
    reply.body = enc + "\r\n";
    server.SetReply(reply);

    CCommClient client;
    client.SetOnLineServer("127.0.0.1");
    client.SetOnLinePort(server.PortText().c_str());
    client.SetApplicationVersion("2.9");
    client.SetAppBuildNumber("1234");
    client.SetEmailAddress("someone@example.org");
    g_replied = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::string request;
    netcourier::TransportEncode("LXK;2.9;1234;3;104;|someone@example.org|en|", request);
    const std::string object = "/ZORodaze/NV?message=" + request;

    const int n = 200;
    std::vector<double> viaClient, bare;
    int failures = 0;
    for (int i = 0; i < n; ++i) {
        int busy = 0;
        UINT context = 0;
        const double t0 = Now();
        if (client.SendRequest(104, "en|", &OnReply, &busy, context, nullptr, nullptr) != 1 ||
            WaitForSingleObject(g_replied, 20000) != WAIT_OBJECT_0 || g_replyStatus != 0) {
            ++failures;
        } else {
            viaClient.push_back(g_replyAt - t0);
        }
        // Let the worker finish its clean-up before the next exchange.
        while (__atomic_load_n(&busy, __ATOMIC_SEQ_CST) != 0)
            Sleep(0);
        Sleep(1);
        const double b = BareGet(server.PortText(), object);
        if (b < 0)
            ++failures;
        else
            bare.push_back(b);
    }
    // What the worker asks before every exchange: is the machine online?
    std::vector<double> online;
    for (int i = 0; i < 50; ++i) {
        DWORD flags = 0;
        const double t0 = Now();
        InternetGetConnectedState(&flags, 0);
        online.push_back(Now() - t0);
    }
    std::printf("connected-state query (median of 50): %.2f ms\n", Median(online) * 1000);
    std::printf("latency over %d loopback requests (median): SendRequest to reply callback %.2f ms, "
                "bare WinInet GET %.2f ms; failures %d\n",
                n, Median(viaClient) * 1000, Median(bare) * 1000, failures);
    CloseHandle(g_replied);
    return failures == 0 ? 0 : 1;
}
