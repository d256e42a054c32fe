// wizard_drive: what a person would do at the wizard when nobody is at the display. It waits
// for the wizard's sheet (of any process of this Wine prefix) and signs up a new e-mail address
// with the account-service stand-in on 127.0.0.1 (port: LX_ACCOUNTD_PORT, else 8765): the
// address, the PIN read from the stand-in's mailbox, a country and an address, no mobile
// number, the completion. It saves a picture of every page it passes as
// build/<arch>/screenshots/run-NN-page<index>.png and lists them with the page titles in
// run-pages.txt there (for the contact sheet). Exit code 0 when the sheet went away after the
// completion page and the dictionary program came up.
#include "lxtest.h"
#include "wizarddriver.h"

#include "pages/addressids.h"
#include "pages/countryids.h"
#include "pages/emailids.h"
#include "pages/pinids.h"

#include <commctrl.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

enum Page { kMouse, kEmail, kEmailVer, kPIN, kPassword, kCountry, kAddr, kTavimo, kPromo, kComplete };

std::string Port()
{
    const char* port = std::getenv("LX_ACCOUNTD_PORT");
    return port && *port ? port : "8765";
}

// A page of the stand-in's own interface ("" when it does not answer).
std::string Get(const std::string& path)
{
    std::string body;
    HINTERNET root = InternetOpenA("wizard_drive", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const std::string url = "http://127.0.0.1:" + Port() + path;
    if (HINTERNET h = InternetOpenUrlA(root, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0)) {
        char buf[1024];
        DWORD got = 0;
        while (InternetReadFile(h, buf, sizeof buf, &got) && got > 0)
            body.append(buf, got);
        InternetCloseHandle(h);
    }
    InternetCloseHandle(root);
    return body;
}

// The PIN the stand-in mailed to an address ("" while none came).
std::string MailedPin(const std::string& address)
{
    const std::string json = Get("/_accountd/mail?to=" + address);
    const std::string head = "\"Secret\": \"";
    const size_t at = json.find(head);
    if (at == std::string::npos)
        return "";
    const size_t from = at + head.size();
    return json.substr(from, json.find('"', from) - from);
}

class Driver {
public:
    explicit Driver(HWND sheet) : m_drive(sheet) {}
    lxtest::SheetDriver& Sheet() { return m_drive; }

    HWND Item(int id) const { return GetDlgItem(m_drive.ActivePage(), id); }
    // Typed into a control of the page shown (WM_SETTEXT: the control reports the change).
    void Type(int id, const std::string& text) const
    {
        SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    bool Shown(int id) const { return IsWindowVisible(Item(id)) != FALSE; }

    // The page's picture, listed with its title, once the page has settled for `settleMs`.
    void Shoot(int index, DWORD settleMs = 700)
    {
        char name[64];
        std::snprintf(name, sizeof name, "run-%02d-page%d", ++m_step, index);
        lxtest::PumpMessages(settleMs);
        if (m_drive.ActiveIndex() != index)
            return;  // gone on by itself meanwhile
        const std::string title = m_drive.Title();
        const std::string shot = m_drive.Save(name);
        std::printf("wizard_drive: page %d (%s) %s\n", index, title.c_str(), shot.c_str());
        std::fflush(stdout);
        if (FILE* list = std::fopen((lxtest::BuildDir() + "\\screenshots\\run-pages.txt").c_str(),
                                    m_step == 1 ? "w" : "a")) {
            std::fprintf(list, "%s.png\t%s\n", name, title.c_str());
            std::fclose(list);
        }
    }

    // What the user does on a page: fills it in and presses the button that goes on.
    void Act(int index, const std::string& address)
    {
        switch (index) {
        case kEmail:
            Type(IDC_EMAIL_EDIT, address);
            break;
        case kPIN: {
            std::string pin;
            lxtest::PumpUntil([&] { return !(pin = MailedPin(address)).empty(); }, 20000);
            std::printf("wizard_drive: the PIN from the stand-in's mailbox: %s\n", pin.c_str());
            Type(IDC_PIN_EDIT, pin);
            break;
        }
        case kCountry:
            SendMessageA(Item(IDC_COUNTRY_LIST), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>("Germany"));
            break;
        case kAddr: {
            const struct {
                int id;
                const char* text;
            } fields[] = {{IDC_ADDR_FIRSTNAME, "Ada"},      {IDC_ADDR_LASTNAME, "Lovelace"},
                          {IDC_ADDR_ADDRESS1, "Unter den Linden 1"}, {IDC_ADDR_POSTALCODE, "10117"},
                          {IDC_ADDR_CITY, "Berlin"},       {IDC_ADDR_STREET, "Unter den Linden"},
                          {IDC_ADDR_STATE, "Berlin"},      {IDC_ADDR_PROVINCE, "Berlin"}};
            for (const auto& f : fields)
                if (Shown(f.id))
                    Type(f.id, f.text);
            break;
        }
        default:
            break;  // the mobile number stays empty
        }
        ShootAfterTyping(index);
        m_drive.Press(PSBTN_NEXT, 1500);
    }

private:
    void ShootAfterTyping(int index)
    {
        if (index == kEmail || index == kPIN || index == kCountry || index == kAddr)
            Shoot(index);
    }

    lxtest::SheetDriver m_drive;
    int m_step = 0;
};

}  // namespace

int main()
{
    Driver driver(lxtest::WaitSheetOf(0, 60000));
    lxtest::SheetDriver& drive = driver.Sheet();
    if (!drive.Sheet()) {
        std::printf("wizard_drive: no wizard sheet came up\n");
        return 1;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(drive.Sheet(), &pid);
    lxtest::BoxAnswerer boxes(pid);  // "the PIN was mailed" and the like, answered OK
    char address[64];
    std::snprintf(address, sizeof address, "newcomer.%lu@example.org",
                  static_cast<unsigned long>(std::time(nullptr)));
    std::printf("wizard_drive: signing up %s with the stand-in on port %s\n", address,
                Port().c_str());
    int last = -1, repeats = 0;
    bool completed = false;
    const DWORD end = GetTickCount() + 240000;
    while (IsWindow(drive.Sheet()) && IsWindowVisible(drive.Sheet()) &&
           static_cast<LONG>(end - GetTickCount()) > 0) {
        const int index = drive.ActiveIndex();
        if (index < 0)
            break;
        repeats = index == last ? repeats + 1 : 0;
        if (index == kEmailVer) {  // the page waits for the service by itself
            if (repeats == 0)
                driver.Shoot(index, 0);
            lxtest::PumpMessages(500);
            last = index;
            continue;
        }
        if (repeats > 3) {  // a page that keeps the user: say what it said, and decline
            for (const std::string& text : boxes.Texts())
                std::printf("wizard_drive: the wizard said: %s\n", text.c_str());
            drive.Press(PSBTN_CANCEL, 1500);
        }
        if (index != kEmail && index != kPIN && index != kCountry && index != kAddr &&
            !(index == kMouse && repeats > 0))
            driver.Shoot(index);
        completed = index == kComplete;
        if (index == kMouse && repeats == 0) {
            drive.Press(PSBTN_NEXT, 800);  // the animation of the choice
            driver.Shoot(index);
        }
        driver.Act(index, address);
        last = index;
    }
    std::printf("wizard_drive: %s\n", completed ? "completed" : "stopped before the end");
    if (!completed)
        return 1;
    // The last page started the dictionary program: its hidden window comes up.
    const bool started = lxtest::PumpUntil(
        [] { return FindWindowA(nullptr, "LXPhiddenWndv1.0") != nullptr; }, 15000);
    std::printf("wizard_drive: the dictionary program %s\n",
                started ? "is running" : "did not start");
    return started ? 0 : 1;
}
