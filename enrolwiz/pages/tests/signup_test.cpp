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
        if (m_browserSet)
            SetBrowser(m_oldBrowser);
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

    // Web addresses opened with the shell go to a recording program instead of a browser;
    // what it was given, in the order opened.
    static void SetBrowser(const std::string& command)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(key);
    }
    void RecordBrowser()
    {
        char old[1024] = "";
        LONG size = sizeof old;
        RegQueryValueA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", old, &size);
        m_oldBrowser = old;
        m_browserSet = true;
        ASSERT_TRUE(CopyFileA((lxtest::BuildDir() + "\\enrolwiz\\lexipop_recorder.exe").c_str(),
                              "browser.exe", FALSE));
        SetBrowser("\"" + m_dir + "\\browser.exe\" \"%1\"");
    }
    // Account pages the recording program was given so far.
    size_t AccountPagesOpened() const
    {
        const std::string started = lxtest::ReadFileBytes(m_dir + "\\started.txt");
        size_t n = 0;
        for (size_t at = started.find("logon.jsp?username="); at != std::string::npos;
             at = started.find("logon.jsp?username=", at + 1))
            ++n;
        return n;
    }

    // A user of an earlier run, current when the program starts.
    static void SeedPreviousUser()
    {
        storetest::SeedText("szEmail", kPrevious);
        CSettingsStore store;
        store.Open("signup_test", nullptr);
        store.SaveCurrentUser("secret");
    }
    // The current user after the run, and its stored password as the test expects it.
    static void ExpectCurrentUser(const std::string& email, const std::string& password)
    {
        CSettingsStore stored;
        stored.Open("signup_test", nullptr);
        EXPECT_EQ(stored.szEmail(), email);
        const auto rows = storetest::Rows("Select * From LexiUsers Where UserName = '" + email + "'");
        ASSERT_EQ(rows.size(), 1u) << email;
        EXPECT_EQ(rows[0].at("UserPass"), Base64Encode(password));
    }

    // Where a request goes out; the wizard brought there with a new address.
    enum Stage { kHunt, kRegistration, kLogIn, kSubmission, kMobile };
    void BringTo(Stage stage, const std::string& email, bool openAccountPage = false)
    {
        EnterEmail(email);
        if (stage <= kRegistration)
            return;
        ASSERT_TRUE(At(W::kPIN));
        Type(IDC_PIN_EDIT, kPin);
        if (openAccountPage)
            Click(IDC_PIN_OPENACCOUNT);
        if (stage == kLogIn)
            return;
        m_drive.Press(PSBTN_NEXT);
        ASSERT_TRUE(At(W::kCountry));
        Choose(IDC_COUNTRY_LIST, kSweden);
        m_drive.Press(PSBTN_NEXT);
        ASSERT_TRUE(At(W::kAddr));
        FillAddress();
        if (stage == kSubmission)
            return;
        m_drive.Press(PSBTN_NEXT);
        ASSERT_TRUE(At(W::kTavimo));
        Type(IDC_MOBILE_NUMBER, "+46 70 1234567");
    }
    void FillAddress() const
    {
        Type(IDC_ADDR_FIRSTNAME, "Ada");
        Type(IDC_ADDR_LASTNAME, "Lovelace");
        Type(IDC_ADDR_ADDRESS1, "1 Lane");
        Type(IDC_ADDR_POSTALCODE, "12345");
        Type(IDC_ADDR_CITY, "Uppsala");
    }
    // Boxes that said a text so far.
    size_t BoxesSaying(UINT id) const
    {
        const std::vector<std::string> all = Boxes();
        const size_t before = all.size();
        size_t n = 0;
        for (size_t i = 0; i < before; ++i)
            n += BoxSaidAt(i, id);
        return n;
    }
    bool BoxSaidAt(size_t i, UINT id) const
    {
        static const HMODULE english = LoadLibraryExA(
            (lxtest::StageDir() + "\\resen.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        char buffer[1024] = "";
        LoadStringA(english, id, buffer, sizeof buffer);
        const std::vector<std::string> all = Boxes();
        return i < all.size() && buffer[0] && all[i] == buffer;
    }

    // Installation reports the stand-in received.
    static size_t Reports()
    {
        const std::string json = sltest::Get("/_accountd/reports");
        size_t n = 0;
        for (size_t at = json.find("\"Report\": \""); at != std::string::npos;
             at = json.find("\"Report\": \"", at + 1))
            ++n;
        return n;
    }

    static constexpr const char* kPrevious = "kim@mail.de";
    static constexpr const char* kPin = "4711";  // the stand-in's secret for every account

    std::string m_oldBrowser;
    bool m_browserSet = false;
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
    storetest::SeedText("szFirstInstall", "0");  // the text of a first install
    Start();
    EnterEmail(kEmail);
    ASSERT_TRUE(At(W::kPromo, 90000));
    EXPECT_TRUE(BoxSaid(192));
    m_drive.Press(PSBTN_NEXT);
    Complete();
    CSettingsStore stored;
    stored.Open("signup_test", nullptr);
    EXPECT_EQ(stored.szEmail(), lxfacts::kAnonymousUser);
    EXPECT_EQ(stored.szFirstInstall(), 1) << "not reported: the next run tries again";
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

// A request still out when the user cancels, or a reply that cannot be decoded (it arrives
// twice): the late or repeated answer changes nothing. The wizard stays where the user went
// and completes with the user of the earlier run, its password untouched; after the mobile
// page's Cancel with the user who signed in.
TEST_F(SignupTest, LateAndRepeatedAnswersChangeNothing)
{
    // The account page is opened at the end only when its box on the PIN page was ticked.
    RecordBrowser();
    struct Case {
        Stage stage;
        const char* fault;  // switched on just before the request goes out
        bool cancel;        // Cancel while it is out
        bool signedIn;      // completes as the user who signed in (else the earlier one)
        bool openAccountPage = false;
    } cases[] = {
        {kHunt, "mode=delay&delay=3&scope=ping&count=1", true, false},
        {kRegistration, "mode=delay&delay=3&count=1", true, false},
        {kRegistration, "mode=garbage&count=2", false, false},  // the log-out goes with it
        {kLogIn, "mode=delay&delay=3&count=1", true, false},
        {kSubmission, "mode=delay&delay=3&count=1", true, false},
        {kSubmission, "mode=garbage&count=1", false, true},  // signed in before it
        {kMobile, "mode=delay&delay=3&count=1", true, true, true},
        {kMobile, "mode=garbage&count=1", false, true},
    };
    int row = 0;
    size_t mobiles = 0, opened = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("stage ") + std::to_string(c.stage) + " " + c.fault);
        const std::string email = "late" + std::to_string(row++) + "@example.org";
        SeedPreviousUser();
        Start();
        if (c.stage <= kRegistration) {
            ASSERT_TRUE(sltest::Control(c.fault));
        }
        BringTo(c.stage, email, c.openAccountPage);
        if (c.stage > kRegistration) {
            ASSERT_TRUE(sltest::Control(c.fault));
            m_answers->Clear();
            m_drive.Press(PSBTN_NEXT, 800);
        } else {
            lxtest::PumpMessages(800);
        }
        if (c.cancel)
            m_drive.Press(PSBTN_CANCEL, 300);
        // The mobile page's Cancel keeps the log-in and the number: no promotion page.
        const int end = c.stage == kMobile ? W::kComplete : W::kPromo;
        EXPECT_TRUE(At(end, 20000)) << "at page " << m_drive.ActiveIndex();
        lxtest::PumpMessages(c.cancel ? 3000 : 1000);  // the late answer, or the repeated one
        EXPECT_EQ(m_drive.ActiveIndex(), end);
        EXPECT_FALSE(lxtest::Ended(m_program)) << "the wizard finished by itself";
        if (!c.cancel) {
            EXPECT_EQ(Boxes().size(), 1u);
            EXPECT_TRUE(BoxSaid(192));
        }
        if (c.stage == kHunt) {
            EXPECT_EQ(Requests("RegisterEmailAddress("), 0u);
        }
        if (c.stage == kMobile) {
            EXPECT_EQ(Requests("MobileNumberRegistration("), ++mobiles) << "asked once";
        }
        if (end == W::kPromo)
            m_drive.Press(PSBTN_NEXT);
        Complete();
        if (c.signedIn)
            ExpectCurrentUser(email, kPin);
        else
            ExpectCurrentUser(kPrevious, "secret");
        opened += c.openAccountPage;
        lxtest::PumpUntil([&] { return AccountPagesOpened() >= opened; }, 5000);
        lxtest::PumpMessages(500);
        EXPECT_EQ(AccountPagesOpened(), opened);
        sltest::Control("reset=1");
    }
}

// One user's road with detours: Back and Next while the hunt runs, Back from the PIN page,
// a separator typed into the PIN and a name, the placeholder countries, Back and Next on the
// address form, a refused and a changed submission, an invalid mobile number; then a second
// run that finds the number registered and has it validated.
TEST_F(SignupTest, DetoursKeepOneRegistrationAndWhatWasTyped)
{
    const std::string email = "detour@example.org";
    storetest::SeedText("szFirstInstall", "0");  // the text of a first install
    Start();
    ASSERT_TRUE(sltest::Control("mode=delay&delay=3&scope=ping&count=1"));
    EnterEmail(email);
    ASSERT_TRUE(At(W::kEmailVer));
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kEmail));
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kPIN));
    lxtest::PumpMessages(1000);
    EXPECT_EQ(Requests("RegisterEmailAddress("), 1u) << "one hunt, one registration";
    EXPECT_EQ(BoxesSaying(187), 1u) << "one PIN mailed";

    // Back from the PIN page and Next: a new hunt, and the address is known by now.
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kEmail));
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kPassword));
    Type(IDC_PASSWORD_EDIT, "47|11");
    EXPECT_EQ(Read(IDC_PASSWORD_EDIT), kPin);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kCountry));

    // Neither placeholder is a country.
    for (int placeholder : {0, 4}) {
        m_answers->Clear();
        Choose(IDC_COUNTRY_LIST, placeholder);
        m_drive.Press(PSBTN_NEXT, 1000);
        EXPECT_EQ(m_drive.ActiveIndex(), W::kCountry) << placeholder;
        EXPECT_TRUE(BoxSaid(147)) << placeholder;
    }
    Choose(IDC_COUNTRY_LIST, kSweden);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kAddr));
    FillAddress();
    Type(IDC_ADDR_FIRSTNAME, "A|da");
    EXPECT_EQ(Read(IDC_ADDR_FIRSTNAME), "Ada");

    // Back to the country page and on with the same country: the typing stays.
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kCountry));
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kAddr));
    EXPECT_EQ(Read(IDC_ADDR_ADDRESS1), "1 Lane");
    EXPECT_EQ(Read(IDC_ADDR_CITY), "Uppsala");

    // The service refuses the record (status 1): the page says why and stays.
    ASSERT_TRUE(sltest::Control("mode=status&status=1&count=1"));
    m_answers->Clear();
    m_drive.Press(PSBTN_NEXT);
    EXPECT_TRUE(lxtest::PumpUntil([&] { return !Boxes().empty(); }, 20000));
    EXPECT_EQ(m_drive.ActiveIndex(), W::kAddr);
    EXPECT_TRUE(BoxSaid(149));
    // A new visit with a change sends the record again.
    m_drive.Press(PSBTN_BACK);
    ASSERT_TRUE(At(W::kCountry));
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kAddr));
    Type(IDC_ADDR_CITY, "Lund");
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kTavimo));
    EXPECT_EQ(Requests("SubmissionOfPersonalInfo("), 2u);

    // An implausible number: text 188 and the page stays; a good one goes on.
    m_answers->Clear();
    Type(IDC_MOBILE_NUMBER, "12");
    m_drive.Press(PSBTN_NEXT);
    EXPECT_TRUE(lxtest::PumpUntil([&] { return !Boxes().empty(); }, 20000));
    EXPECT_TRUE(BoxSaid(188));
    EXPECT_EQ(m_drive.ActiveIndex(), W::kTavimo);
    Type(IDC_MOBILE_NUMBER, "+46 70 7654321");
    m_drive.Press(PSBTN_NEXT);
    Complete();
    ExpectCurrentUser(email, kPin);
    // The installation was reported, once, and the next run does not report it again.
    CSettingsStore stored;
    stored.Open("signup_test", nullptr);
    EXPECT_EQ(stored.szFirstInstall(), 0);
    EXPECT_EQ(Reports(), 1u);

    // Again: the service holds the details and the number, which it now wants validated.
    // First three wrong passwords, and "yes" to text 186 goes back to the address.
    Start();
    EnterEmail(email);
    ASSERT_TRUE(At(W::kPassword));
    m_answers = std::make_unique<lxtest::BoxAnswerer>(GetProcessId(m_program), std::vector<HWND>{}, IDYES);
    for (int i = 0; i < 3; ++i) {
        const size_t boxes = Boxes().size();
        Type(IDC_PASSWORD_EDIT, "wrong");
        m_drive.Press(PSBTN_NEXT);
        EXPECT_TRUE(lxtest::PumpUntil([&] { return Boxes().size() > boxes; }, 30000)) << i;
    }
    EXPECT_TRUE(BoxSaid(186));
    ASSERT_TRUE(At(W::kEmail));
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kPassword));
    Type(IDC_PASSWORD_EDIT, kPin);
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kCountry));
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kAddr));
    EXPECT_EQ(Read(IDC_ADDR_CITY), "Lund");
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kTavimo));
    Type(IDC_MOBILE_NUMBER, "+46 70 7654321");
    m_drive.Press(PSBTN_NEXT);
    ASSERT_TRUE(At(W::kComplete));
    EXPECT_EQ(Requests("MobileNumberValidation("), 1u);
    Complete();
    EXPECT_EQ(Reports(), 1u);
}
