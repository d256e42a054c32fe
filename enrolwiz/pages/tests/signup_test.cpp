// Sign-up end to end: enrolwiz.exe from a scratch installation under Wine, driven from here
// through its sheet, against the account-service stand-in that run_with_accountd.sh started.
// A new account with the mailed PIN, the same account again with its password, the log-out
// on the way back, the password mailed again, three wrong passwords, no server at all and
// every kind of server fault.
#include "base64.h"
#include "lxtest.h"
#include "productfacts.h"
#include "slfixture.h"
#include "storetest.h"
#include "wizarddriver.h"
#include "wizlexireg.h"

#include "pages/addressids.h"
#include "pages/countryids.h"
#include "pages/emailids.h"
#include "pages/mobileids.h"
#include "pages/passwordids.h"
#include "pages/pinids.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using lxtest::SheetDriver;
using W = CWizLexiReg;

// Country lists of the scratch installation: Sweden (postal format "NNN NN"), the United
// States (states from a list) and Germany.
void WriteCountryLists()
{
    lxtest::WriteFileBytes("data\\CountryNames.lst",
                           "-- choose country --\r\nGermany\r\nSweden\r\nUnited States\r\n-- other countries --\r\n");
    lxtest::WriteFileBytes("data\\CountryList.lst",
                           "<Country=\"Default\">|<Honorific>|<First Name>?<Last Name>|<Address 1>|"
                           "<Postal Code>?<City>\r\n"
                           "<Country=\"United States\">|<Honorific>|<First Name>?<Last Name>|<Address 1>|"
                           "<City>?<State>?<Postal Code>\r\n");
    lxtest::WriteFileBytes("data\\PostalCode.lst",
                           "DE|Germany|NNNNN\r\nSE|Sweden|NNN NN\r\nUS|United States|NNNNN\r\n");
    lxtest::WriteFileBytes("data\\USStates.lst", "Alabama|AL\r\nAlaska|AK\r\nArizona|AZ\r\n");
}
// Index of a country in the country page's list.
enum { kGermany = 1, kSweden = 2, kUnitedStates = 3 };

class SignupTest : public storetest::ScratchTest {
protected:
    void SetUp() override
    {
        if (sltest::AccountdPort().empty())
            GTEST_SKIP() << "runs from run_with_accountd.sh only";
        ScratchTest::SetUp();
        const std::string stage = lxtest::StageDir();
        for (const char* file : {"enrolwiz.exe", "netcourier.dll", "resen.dll", "resreg.dll",
                                 "lxskin.dll", "lxpmsgbx.dll"})
            ASSERT_TRUE(CopyFileA((stage + "\\" + file).c_str(), file, FALSE)) << file;
        CreateDirectoryA("skin", nullptr);
        CreateDirectoryA("logs", nullptr);
        CopyFileA((stage + "\\skin\\lxpen01.skn").c_str(), "skin\\lxpen01.skn", FALSE);
        ASSERT_TRUE(CopyFileA((lxtest::BuildDir() + "\\enrolwiz\\lexipop_recorder.exe").c_str(),
                              "Norvanta Lexipop.exe", FALSE));
        lxtest::CopyRuntimeDlls(stage, ".");
        UseServer(sltest::AccountdPort());
        lxtest::WriteFileBytes("data\\domainlist.lst", ".de Germany\r\n");
        WriteCountryLists();
        storetest::CreateReleaseKey();
        storetest::SeedText("szBuild", "100");
        storetest::SeedText("szInstallDate", "20261207");
        storetest::SeedText("szStartMode", "0");  // the mirror tables follow the registry
        sltest::Control("reset=1");
    }

    void TearDown() override
    {
        if (m_program)
            lxtest::FinishChild(m_program, 1000);
        m_answers.reset();
        sltest::Control("reset=1");
        ScratchTest::TearDown();
    }

    static void UseServer(const std::string& port)
    {
        lxtest::WriteFileBytes("data\\server.lst", "127.0.0.1\r\n");
        lxtest::WriteFileBytes("data\\port.lst", port + "\r\n");
    }

    // The program started and its sheet found; its message boxes answered OK, and "No" where
    // a box asks yes or no.
    void Start()
    {
        m_program = lxtest::StartProgram(m_dir + "\\enrolwiz.exe", "", m_dir);
        ASSERT_NE(m_program, nullptr);
        m_drive.Attach(lxtest::WaitSheetOf(GetProcessId(m_program), 60000));
        ASSERT_NE(m_drive.Sheet(), nullptr);
        m_answers = std::make_unique<lxtest::BoxAnswerer>(GetProcessId(m_program), std::vector<HWND>{},
                                                          IDNO);
    }

    // From the mouse page through the e-mail page with an address.
    void EnterEmail(const std::string& email)
    {
        for (int i = 0; i < 4 && m_drive.ActiveIndex() == W::kMouse; ++i)
            m_drive.Press(PSBTN_NEXT, 1500);  // the choice, then its animation
        ASSERT_TRUE(m_drive.WaitForPage(W::kEmail));
        Type(IDC_EMAIL_EDIT, email);
        m_drive.Press(PSBTN_NEXT);
    }

    // Waits for a page (the server answers within seconds; a slow one within its delay).
    bool At(int index, DWORD ms = 60000) { return m_drive.WaitForPage(index, ms); }

    HWND Item(int id) const { return GetDlgItem(m_drive.ActivePage(), id); }
    void Type(int id, const std::string& text) const
    {
        SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // An edit's text (WM_GETTEXT: the window text of another process's control is not it).
    std::string Read(int id) const
    {
        char text[256] = {};
        SendMessageA(Item(id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool Shown(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
    void Click(int id) const { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void Choose(int id, int index) const
    {
        SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    void Shot(const std::string& name) const { m_drive.Save("signup_" + name); }

    // Presses Next on the completion page; the program ends with 0.
    void Complete()
    {
        ASSERT_TRUE(At(W::kComplete));
        m_drive.Press(PSBTN_NEXT, 0);
        EXPECT_EQ(lxtest::FinishChild(m_program, 30000), 0);
        m_program = nullptr;
    }

    // Box texts so far, and whether one equals a text of the wizard's (English) language
    // module, read from the stage: this process has no language module of its own.
    std::vector<std::string> Boxes() const { return m_answers->Texts(); }
    bool BoxSaid(UINT id) const
    {
        static const HMODULE english = LoadLibraryExA(
            (lxtest::StageDir() + "\\resen.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        char buffer[1024] = "";
        LoadStringA(english, id, buffer, sizeof buffer);
        const std::string text = buffer;
        if (text.empty())
            return false;
        for (const std::string& b : Boxes())
            if (b == text)
                return true;
        return false;
    }
    // Requests of one kind ("SubmissionOfPersonalInfo(", "LogOut(") the wizard's runs in
    // this installation traced.
    size_t Requests(const std::string& operation) const
    {
        size_t n = 0;
        for (const std::string& l : lxtest::LogLines(m_dir + "\\logs\\ErrorLog.log"))
            n += l.find("CCommClientWrapper::" + operation) != std::string::npos &&
                 l.find("<Invoke>") != std::string::npos;
        return n;
    }

    static std::string Mailed(const std::string& address, const std::string& key)
    {
        const std::string json = sltest::Get("/_accountd/mail?to=" + address);
        const std::string head = "\"" + key + "\": \"";
        const size_t at = json.find(head);
        return at == std::string::npos ? "" : json.substr(at + head.size(), json.find('"', at + head.size()) - at - head.size());
    }

    HANDLE m_program = nullptr;
    SheetDriver m_drive;
    std::unique_ptr<lxtest::BoxAnswerer> m_answers;
};

const std::string kEmail = "ada.signup@example.org";

}  // namespace

TEST_F(SignupTest, NewAccountThenTheSameAccountAgain)
{
    // A new account: the PIN from the stand-in's mailbox.
    Start();
    EnterEmail(kEmail);
    ASSERT_TRUE(At(W::kPIN));
    EXPECT_TRUE(BoxSaid(187));
    const std::string pin = Mailed(kEmail, "Secret");
    ASSERT_FALSE(pin.empty());
    Shot("pin");
    Type(IDC_PIN_EDIT, pin);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kCountry));
    Shot("country");

    // The placeholder is refused; the United States as a company: company row, state list.
    m_drive.Press(PSBTN_NEXT);
    EXPECT_EQ(m_drive.ActiveIndex(), W::kCountry);
    Choose(IDC_COUNTRY_LIST, kUnitedStates);
    Click(IDC_COUNTRY_COMPANY);
    Click(IDC_COUNTRY_SEVERAL);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kAddr));
    EXPECT_TRUE(Shown(IDC_ADDR_COMPANY));
    EXPECT_TRUE(Shown(IDC_ADDR_USSTATE));
    EXPECT_FALSE(Shown(IDC_ADDR_STATE));
    EXPECT_EQ(SendMessageA(Item(IDC_ADDR_USSTATE), CB_GETCOUNT, 0, 0), 3);
    Shot("address_us_company");

    // Sweden as a private person: no company row, no state, the postal code "NNN NN".
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kCountry));
    Choose(IDC_COUNTRY_LIST, kSweden);
    Click(IDC_COUNTRY_PRIVATE);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kAddr));
    EXPECT_FALSE(Shown(IDC_ADDR_COMPANY));
    EXPECT_FALSE(Shown(IDC_ADDR_USSTATE));
    EXPECT_TRUE(Shown(IDC_ADDR_HONORIFIC));
    Type(IDC_ADDR_POSTALCODE, "1a2 3-45x6");
    EXPECT_EQ(Read(IDC_ADDR_POSTALCODE), "123 45");
    Type(IDC_ADDR_LASTNAME, "Lovelace");
    Type(IDC_ADDR_ADDRESS1, "1 Lane");
    Type(IDC_ADDR_CITY, "Uppsala");
    m_answers->Clear();
    m_drive.Press(PSBTN_NEXT, 1500);  // the first name is missing
    EXPECT_EQ(m_drive.ActiveIndex(), W::kAddr);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Requests("SubmissionOfPersonalInfo("), 0u);
    Type(IDC_ADDR_FIRSTNAME, "Ada");
    Shot("address");
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kTavimo));
    EXPECT_EQ(Requests("SubmissionOfPersonalInfo("), 1u);

    // A mobile number, filtered as typed; the promotion page skips itself.
    Type(IDC_MOBILE_NUMBER, "+46 70-123x4567+");
    EXPECT_EQ(Read(IDC_MOBILE_NUMBER), "+46 70-1234567");
    Shot("mobile");
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kComplete));
    Shot("complete");
    Complete();

    // What the completion left: the user, its password, its settings and its folder.
    CSettingsStore stored;
    stored.Open("signup_test", nullptr);
    EXPECT_EQ(stored.szEmail(), kEmail);
    EXPECT_EQ(stored.szMultipleUser(), "Yes");
    EXPECT_NE(stored.szProfilePath().find("\\data\\profile\\" + kEmail), std::string::npos);
    EXPECT_EQ(stored.bMouseState(), 1);
    EXPECT_TRUE(lxtest::FileExists(m_dir + "\\data\\profile\\" + kEmail));
    bool saved = false;
    for (const storetest::Row& r : storetest::Rows("Select * From LexiUsers"))
        saved = saved || (r.at("UserName") == kEmail && r.at("UserPass") == Base64Encode(pin));
    EXPECT_TRUE(saved) << "the user with the PIN as its password";
    EXPECT_FALSE(storetest::Rows("Select * From UsersRegistry Where UserName = '" + kEmail + "'").empty());
    EXPECT_EQ(storetest::MirrorRow("szEmail"), kEmail);
    EXPECT_EQ(storetest::MirrorRow("szMultipleUser"), "Yes");

    // The same address again: the password page, the form as the service keeps it, nothing
    // sent again when nothing changed.
    Start();
    EnterEmail(kEmail);
    ASSERT_TRUE(At(W::kPassword));
    Shot("password");
    Type(IDC_PASSWORD_EDIT, pin + "x");
    m_answers->Clear();
    m_drive.Press(PSBTN_NEXT);
    EXPECT_TRUE(lxtest::PumpUntil([&] { return !Boxes().empty(); }, 30000));
    EXPECT_EQ(m_drive.ActiveIndex(), W::kPassword);
    EXPECT_TRUE(BoxSaid(189));
    Type(IDC_PASSWORD_EDIT, pin);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kCountry));
    EXPECT_EQ(SendMessageA(Item(IDC_COUNTRY_LIST), CB_GETCURSEL, 0, 0), kSweden);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kAddr));
    EXPECT_EQ(Read(IDC_ADDR_FIRSTNAME), "Ada");
    EXPECT_EQ(Read(IDC_ADDR_POSTALCODE), "123 45");
    EXPECT_EQ(Read(IDC_ADDR_CITY), "Uppsala");
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kTavimo));
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kAddr));
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kTavimo));
    EXPECT_EQ(Requests("SubmissionOfPersonalInfo("), 1u) << "only the first run's";

    // Back past the country page logs out and lands on the password page.
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kAddr));
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kCountry));
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kPassword));
    EXPECT_EQ(Requests("LogOut("), 3u) << "after each registration, and here";

    // The password mailed again through the link, then three wrong ones and "no".
    m_answers->Clear();
    PostMessageA(m_drive.ActivePage(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 350));
    EXPECT_TRUE(lxtest::PumpUntil([&] { return Mailed(kEmail, "Kind") == "password"; }, 30000));
    EXPECT_TRUE(lxtest::PumpUntil([&] { return BoxSaid(187); }, 10000));
    for (int i = 0; i < 3; ++i) {
        const size_t boxes = Boxes().size();
        Type(IDC_PASSWORD_EDIT, "wrong");
        m_drive.Press(PSBTN_NEXT);
        EXPECT_TRUE(lxtest::PumpUntil([&] { return Boxes().size() > boxes; }, 30000)) << i;
    }
    EXPECT_TRUE(At(W::kPromo)) << "at page " << m_drive.ActiveIndex();
    EXPECT_TRUE(BoxSaid(186));
    m_drive.Press(PSBTN_NEXT);
    Complete();
    // Completed as the anonymous user, which the completion then replaces by the user before
    // this run; that user's password stays the verified one.
    EXPECT_TRUE(lxtest::FileExists(m_dir + "\\data\\profile\\" + lxfacts::kAnonymousUser));
    stored.Reopen();
    EXPECT_EQ(stored.szEmail(), kEmail);
    for (const storetest::Row& r : storetest::Rows("Select * From LexiUsers Where UserName = '" + kEmail + "'"))
        EXPECT_EQ(r.at("UserPass"), Base64Encode(pin));
}

TEST_F(SignupTest, NoServerCompletesAnonymously)
{
    UseServer(std::to_string(lxtest::UnusedPort()));
    Start();
    EnterEmail(kEmail);
    ASSERT_TRUE(At(W::kPromo, 90000));
    EXPECT_TRUE(BoxSaid(192));
    m_drive.Press(PSBTN_NEXT);
    Complete();
    CSettingsStore stored;
    stored.Open("signup_test", nullptr);
    EXPECT_EQ(stored.szEmail(), lxfacts::kAnonymousUser);
}

TEST_F(SignupTest, ServerFaultsNeverStopTheWizard)
{
    for (const char* fault : {"mode=http", "mode=empty", "mode=garbage", "mode=drop", "mode=delay&delay=7"}) {
        SCOPED_TRACE(fault);
        ASSERT_TRUE(sltest::Control(fault));
        Start();
        EnterEmail("fault@example.org");
        // Whatever page a slow reply reaches, Cancel leads on to the end.
        const DWORD end = GetTickCount() + 120000;
        while (m_drive.ActiveIndex() != W::kPromo && m_drive.ActiveIndex() != W::kComplete &&
               static_cast<LONG>(end - GetTickCount()) > 0) {
            const int page = m_drive.ActiveIndex();
            if (page == W::kEmailVer && std::string(fault).find("delay") != std::string::npos)
                Shot("emailver");  // the slow reply leaves time for a picture
            if (page >= W::kPIN && page <= W::kTavimo)
                m_drive.Press(PSBTN_CANCEL, 1000);
            else
                lxtest::PumpMessages(500);
        }
        if (m_drive.ActiveIndex() == W::kPromo)
            m_drive.Press(PSBTN_NEXT);
        Complete();
        sltest::Control("reset=1");
    }
}
