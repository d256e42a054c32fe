// The log-in dialog: its address rule and list parsing directly, the dialog itself in a child
// process of this program loading the staged library.
#include "logindlg.h"
#include "lxtest.h"
#include "resource.h"
#include "skinbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(LoginDlg, EmailAddressRule)
{
    const struct {
        const char* address;
        bool valid;
    } cases[] = {
        {"anna@example.com", true}, {"a@b.cd", true},        {"a.b@mail.example.org", true},
        {"@example.com", false},    {"anna@.example.com", false}, {"anna@example", false},
        {"an@na@example.com", false}, {"anna@example.c", false}, {"anna@example.com.", false},
        {"anna", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(skinbox::IsValidEmail(c.address), c.valid) << c.address;
}

TEST(LoginDlg, ListTextSplitsAtSeparators)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(skinbox::SplitLoginList("anna@example.com;"), V{"anna@example.com"});
    EXPECT_EQ(skinbox::SplitLoginList("anna@example.com"), V{});
    EXPECT_EQ(skinbox::SplitLoginList("a@x.com;b@x.com|c@x.com"), (V{"a@x.com", "b@x.com"}));
    EXPECT_EQ(skinbox::SplitLoginList("a@x.com|;rest"), (V{"a@x.com", ""}));
}

// --- the dialog, in a child ------------------------------------------------------------------

struct Login {
    int mode;
    const char* module;
    const char* list;
};
const Login kLogins[] = {
    /* 0 */ {0, "", nullptr},
    /* 1 */ {1, "", "anna@example.com;bert@example.com;carl@example.com;"},
    /* 2 */ {1, "", "bert@example.com;anna@example.com;carl@example.com;"},
    /* 3 */ {1, "", "anna@example.com"},
    /* 4 */ {0, "lxpResDe.dll", nullptr},
    /* 5 */ {0, "lxpResZh.dll", nullptr},
};

LXTEST_CHILD(open_login)
{
    const int row = std::atoi(argv[0]);
    // Row -1: the library alone in a folder of its own, without the skin control.
    const Login& login = kLogins[row < 0 ? 0 : row];
    const std::string library = lxtest::StageDir() + "\\lxpmsgbx.dll";
    if (row < 0)
        SetCurrentDirectoryA(argv[1]);
    else
        SetCurrentDirectoryA(lxtest::StageDir().c_str());
    HMODULE lib = LoadLibraryA(library.c_str());
    auto setSkin = reinterpret_cast<SetAppSkinFn>(
        reinterpret_cast<void*>(GetProcAddress(lib, "SetAppSkin")));
    using Open2 = int(WINAPI*)(const char*, char*, char*, const char*);
    auto open2 = reinterpret_cast<Open2>(reinterpret_cast<void*>(GetProcAddress(lib, "OpenLoginDlg2")));
    using Open = int(WINAPI*)(const char*, char*, char*);
    auto open = reinterpret_cast<Open>(reinterpret_cast<void*>(GetProcAddress(lib, "OpenLoginDlg")));
    if (!setSkin || !open || !open2)
        return 1000;
    setSkin(".\\skin\\lxpen01.skn");
    char email[SKINBOX_LOGIN_TEXT_MAX] = "x", password[SKINBOX_LOGIN_TEXT_MAX] = "x";
    const int result = login.mode == 0 ? open(login.module, email, password)
                                       : open2(login.module, email, password, login.list);
    // The answer, and 10 more when the e-mail and password came back as the test typed them
    // (without the skin control: 20 more when both came back empty).
    if (row < 0)
        return result + (!email[0] && !password[0] ? 20 : 0);
    return result + ((std::string(email) == "anna@example.com" &&
                      std::string(password) == "secret") ? 10 : 0);
}

void Click(HWND dlg, int id)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// Opens login `row`, lets `act` work on the dialog, and returns the child's exit code.
template <typename Act>
int RunLogin(int row, const std::string& shot, Act act)
{
    HANDLE child = lxtest::StartChild("open_login", std::to_string(row), lxtest::StageDir());
    HWND dlg = lxtest::WaitChildDialog(child);
    if (dlg) {
        lxtest::PumpMessages(300);
        if (!shot.empty())
            lxtest::SaveWindowPng(dlg, shot);
        act(dlg, GetProcessId(child));
    }
    return lxtest::FinishChild(child, 20000);
}

// A message box the dialog shows over itself: its text, answered.
std::string AnswerBox(HWND dlg, DWORD pid)
{
    HWND box = nullptr;
    lxtest::PumpUntil([&] {
        for (HWND d : lxtest::ProcessDialogs(pid))
            if (d != dlg && IsWindowVisible(d))
                box = d;
        return box != nullptr;
    }, 10000);
    if (!box)
        return "(no box)";
    const std::string text = lxtest::MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    lxtest::PumpUntil([&] { return !IsWindow(box); }, 5000);
    return text;
}

TEST(LoginDlg, ButtonsEndWithTheirCodes)
{
    EXPECT_EQ(RunLogin(0, "skinbox_login_en", [](HWND d, DWORD) { Click(d, IDC_LOGIN_NEWUSER); }), 3);
    EXPECT_EQ(RunLogin(0, "", [](HWND d, DWORD) { Click(d, IDC_LOGIN_CANCEL); }), 2);
    EXPECT_EQ(RunLogin(4, "skinbox_login_de", [](HWND d, DWORD) { Click(d, IDC_LOGIN_CANCEL); }), 2);
    EXPECT_EQ(RunLogin(5, "skinbox_login_zh", [](HWND d, DWORD) { Click(d, IDC_LOGIN_CANCEL); }), 2);
    // Log-in: missing input, an invalid address, then a good one.
    std::vector<std::string> told;
    EXPECT_EQ(RunLogin(0, "", [&](HWND d, DWORD pid) {
                  Click(d, IDC_LOGIN_OK);
                  told.push_back(AnswerBox(d, pid));
                  SetDlgItemTextA(d, IDC_LOGIN_EMAIL, "anna@example");
                  SetDlgItemTextA(d, IDC_LOGIN_PASSWORD, "secret");
                  Click(d, IDC_LOGIN_OK);
                  told.push_back(AnswerBox(d, pid));
                  SetDlgItemTextA(d, IDC_LOGIN_EMAIL, "anna@example.com");
                  Click(d, IDC_LOGIN_OK);
              }),
              11);
    EXPECT_EQ(told, (std::vector<std::string>{"You must enter an email address and password.",
                                              "Please enter a valid email address."}));
    // The link: with no address it asks for one and stays; with one it ends with 4.
    told.clear();
    EXPECT_EQ(RunLogin(0, "", [&](HWND d, DWORD pid) {
                  Click(d, IDC_LOGIN_LINK);
                  told.push_back(AnswerBox(d, pid));
                  SetDlgItemTextA(d, IDC_LOGIN_EMAIL, "anna@example.com");
                  Click(d, IDC_LOGIN_LINK);
              }),
              4);
    EXPECT_EQ(told, std::vector<std::string>{"Please enter your email address."});
}

TEST(LoginDlg, DropDownListOfAddresses)
{
    // Logging in with the list's edit text: anna (11), bert (1); an empty list cancels (2).
    struct Case {
        int row;
        int items;
        const char* shot;
        int result;
    } cases[] = {{1, 3, "skinbox_login_list", 11}, {2, 1, nullptr, 1}, {3, 0, nullptr, 2}};
    for (const Case& c : cases) {
        int items = -1;
        bool fieldHidden = false;
        std::string edit;
        EXPECT_EQ(RunLogin(c.row, c.shot ? c.shot : "", [&](HWND d, DWORD) {
                      items = static_cast<int>(
                          SendDlgItemMessageA(d, IDC_LOGIN_LIST, CB_GETCOUNT, 0, 0));
                      fieldHidden = !IsWindowVisible(GetDlgItem(d, IDC_LOGIN_EMAIL));
                      char text[128] = "";
                      GetDlgItemTextA(d, IDC_LOGIN_LIST, text, sizeof text);
                      edit = text;
                      SetDlgItemTextA(d, IDC_LOGIN_PASSWORD, "secret");
                      Click(d, c.items > 0 ? IDC_LOGIN_OK : IDC_LOGIN_CANCEL);
                  }),
                  c.result);
        EXPECT_EQ(items, c.items) << "row " << c.row;
        EXPECT_TRUE(fieldHidden);
        if (c.items > 0) {
            EXPECT_EQ(edit, c.row == 2 ? "bert@example.com" : "anna@example.com");
        }
    }
}

TEST(LoginDlg, FieldsTakeNoMoreThanComesBackAndNoSkinControlLeavesEmptyBuffers)
{
    // Typed past the limit: each field holds the 255 bytes the caller gets back.
    size_t lengths[2] = {};
    EXPECT_EQ(RunLogin(0, "", [&](HWND d, DWORD) {
                  const int fields[2] = {IDC_LOGIN_EMAIL, IDC_LOGIN_PASSWORD};
                  for (size_t f = 0; f < 2; ++f) {
                      HWND edit = GetDlgItem(d, fields[f]);
                      for (int i = 0; i < SKINBOX_LOGIN_TEXT_MAX + 40; ++i)
                          SendMessageA(edit, WM_CHAR, 'a', 0);
                      lengths[f] = static_cast<size_t>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
                  }
                  Click(d, IDC_LOGIN_CANCEL);
              }),
              2);
    EXPECT_EQ(lengths[0], SKINBOX_LOGIN_TEXT_MAX - 1u);
    EXPECT_EQ(lengths[1], SKINBOX_LOGIN_TEXT_MAX - 1u);

    // Without the skin control the user is told, and the buffers come back empty (22).
    const std::string alone = lxtest::FreshDir("skinbox_no_control");
    HANDLE child = lxtest::StartChild("open_login", "-1 " + alone, alone);
    const lxtest::ChildBox box = lxtest::AnswerChildBox(child, "");
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.text, "Could not instantiate Skin control. Make sure ActiveSkin library is installed properly.");
    EXPECT_EQ(box.exitCode, 22);
}

}  // namespace
