// What a person sees, in every language: every wizard page and every skinned dialog laid out
// cleanly (no control on another, every text whole in its control, nothing outside the
// window, no control over a picture of the page), each saved as a screenshot
// build/<arch>/screenshots/layout_<language>_<what>.png.
#include "layoutcheck.h"
#include "lxpmessages.h"
#include "lxrecord.h"
#include "productfacts.h"
#include "lxtest.h"
#include "resource.h"
#include "resourcehandle.h"
#include "skinbox.h"
#include "storetest.h"
#include "wizarddriver.h"
#include "wizlexireg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using W = CWizLexiReg;

struct Language {
    const char* name;
    const char* module;      // the wizard's language module
    const char* dictionary;  // szCurrentDictionary: fonts and the skinned dialogs' language
    const char* boxModule;   // the module name the skinned dialogs are given
    const char* skin;
    UINT codePage;       // of the user's Windows
    const char* locale;  // that Wine takes it from
    // The address page's title as the user reads it.
    const wchar_t* addressTitle;
};
const Language kLanguages[] = {
    {"en", "resen.dll", "English-English", "", ".\\skin\\lxpen01.skn", 1252, "en_US.UTF-8",
     L"User Address Information"},
    {"de", "resde.dll", "German-English", "lxpResDe.dll", ".\\skin\\lxpde01.skn", 1252,
     "de_DE.UTF-8", L"Adressangaben des Benutzers"},
    {"zh", "reszh.dll", "English-Chinese(T)", "lxpResZh.dll", ".\\skin\\lxpzh01.skn", 936,
     "zh_CN.UTF-8", L"\u7528\u6237\u5730\u5740\u8d44\u6599"},
    // A Simplified Chinese dictionary: the wizard's built-in texts instead of the module's.
    {"zhbuiltin", "reszh.dll", "English-Chinese(S)", "lxpResZh.dll", ".\\skin\\lxpzh01.skn", 936,
     "zh_CN.UTF-8", L"User Address Information"},
    {"vi", "resvi.dll", "Vietnamese-English", "lxpResVi.dll", ".\\skin\\lxpvi01.skn", 1252,
     "en_US.UTF-8", L"Th\u00f4ng tin \u0111\u1ecba ch\u1ec9"},
};

// A page as the user reaches it: its index and what the wizard data says by then.
struct PageCase {
    int index;
    const char* name;
    std::function<void(WizardData&)> reached;
    UINT title;  // the text id of its title
};

void Plain(WizardData&) {}

const std::vector<PageCase>& Pages()
{
    static const std::vector<PageCase> pages = {
        {W::kEmail, "1_email", Plain, 176},
        {W::kEmailVer, "2_emailver", Plain, 177},
        {W::kPIN, "3_pin", [](WizardData& d) { d.passwordMailed = 1; }, 178},
        {W::kPassword, "4_password", [](WizardData& d) { d.passwordMailed = 0; }, 179},
        {W::kCountry, "5_country", Plain, 180},
        // The longest form: a company in the United States (company row and state list).
        {W::kAddr, "6_address_us_company",
         [](WizardData& d) {
             d.details.countryName.edited = "United States";
             d.customerType() = "C";
         },
         181},
        {W::kAddr, "6_address_se",
         [](WizardData& d) {
             d.details.countryName.edited = "Sweden";
             d.customerType() = "I";
         },
         181},
        {W::kTavimo, "7_mobile", Plain, 182},
        {W::kPromo, "8_promo", Plain, 183},
        {W::kComplete, "9_complete_1", [](WizardData& d) { d.mouseChoice = 1; }, 185},
        {W::kComplete, "9_complete_2", [](WizardData& d) { d.mouseChoice = 2; }, 185},
        {W::kComplete, "9_complete_3", [](WizardData& d) { d.mouseChoice = 3; }, 185},
        {W::kComplete, "9_complete_4", [](WizardData& d) { d.mouseChoice = 4; }, 185},
    };
    return pages;
}

std::string Lines(const std::vector<std::string>& faults)
{
    std::string text;
    for (const std::string& f : faults)
        text += "\n  " + f;
    return text;
}

// The skinned dialogs of lxpmsgbx.dll, from the scratch installation.
struct SkinLibrary {
    HMODULE module = LoadLibraryA("lxpmsgbx.dll");
    template <typename T>
    T Get(const char* name) const
    {
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    ~SkinLibrary()
    {
        if (module)
            FreeLibrary(module);
    }
};

class LayoutTest : public storetest::ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        ASSERT_EQ(lxtest::CopySkinnedDialogs(), "");
        lxtest::CopyRuntimeDlls(lxtest::BuildDir() + "\\enrolwiz", ".");
        // A server name and a port the pages see; nothing listens there and nothing is sent.
        lxtest::WriteFileBytes("data\\server.lst", "127.0.0.1\r\n");
        lxtest::WriteFileBytes("data\\port.lst", std::to_string(lxtest::UnusedPort()) + "\r\n");
        lxtest::WriteFileBytes("data\\domainlist.lst", ".de Germany\r\n");
        lxtest::WriteFileBytes("data\\CountryNames.lst",
                               "-- choose country --\r\nGermany\r\nSweden\r\nUnited States\r\n"
                               "-- other countries --\r\n");
        lxtest::WriteFileBytes("data\\CountryList.lst",
                               "<Country=\"Default\">|<Honorific>|<First Name>?<Last Name>|"
                               "<Address 1>|<Address 2>|<Postal Code>?<City>|<Country>\r\n"
                               "<Country=\"United States\">|<Honorific>|"
                               "<First Name>?<Last Name>|<Address 1>|<Address 2>|<Address 3>|"
                               "<City>?<State>?<Postal Code>|<Country>\r\n");
        lxtest::WriteFileBytes("data\\PostalCode.lst",
                               "DE|Germany|NNNNN\r\nSE|Sweden|NNN NN\r\nUS|United States|NNNNN\r\n");
        lxtest::WriteFileBytes("data\\USStates.lst", "Alabama|AL\r\nAlaska|AK\r\n");
        storetest::CreateReleaseKey();
    }

};

// One language's pages and dialogs looked at, in this process.
class Looker {
public:
    ~Looker()
    {
        m_sheet.reset();
        if (HMODULE module = LxResourceHandle())
            FreeLibrary(module);
        LxSetResourceHandle(nullptr);
    }

    // Every fault seen, each line after the name of the picture it was seen in.
    std::vector<std::string> Look(const Language& lang);

private:
    void UseLanguage(const Language& lang)
    {
        m_sheet.reset();
        if (HMODULE old = LxResourceHandle())
            FreeLibrary(old);
        LxSetResourceHandle(LoadLibraryA((lxtest::StageDir() + "\\" + lang.module).c_str()));
        storetest::SeedText("szCurrentDictionary", lang.dictionary);
    }
    void Open()
    {
        m_sheet = std::make_unique<CWizLexiReg>(nullptr);
        m_sheet->AddFlags(CWizLexiReg::kStartFlags);
        m_sheet->pageComplete.endProcess = [](UINT) {};
        m_drive.Attach(m_sheet->Create());
        CWizLexiReg* sheet = m_sheet.get();
        m_drive.filter = [sheet](MSG& msg) { return sheet->TranslateSheetMessage(msg); };
        m_drive.Settle();
    }

    // The page shown as the user reaches it: the run still signing up, a server known.
    void Reach(const PageCase& page)
    {
        WizardData& data = m_sheet->data;
        data.cancelled = data.skipRest = data.goingBack = 0;
        data.email = "kim.lovelace@mail.de";
        data.link.SetOnLineServer("127.0.0.1");
        data.link.SetOnLinePort("1");
        page.reached(data);
        m_sheet->SetActivePage(static_cast<UINT>(page.index));
        // The verification page would start its server hunt now: the picture is of the page
        // before any answer.
        MSG msg;
        while (PeekMessageA(&msg, m_drive.ActivePage(), LxpMessage(LxpMsg::OnGetServerPortConnection),
                            LxpMessage(LxpMsg::OnGetServerPortConnection), PM_REMOVE)) {
        }
        m_drive.Settle(100);
    }

    // The faults of the page shown and of the sheet around it; its screenshot saved.
    std::vector<std::string> LookAtPage(const std::string& shot, UINT title,
                                        const wchar_t* titleShown = nullptr)
    {
        m_drive.Save(shot);
        HWND page = m_drive.ActivePage();
        lxtest::LayoutRules pageRules;
        pageRules.plainColours = 3;  // the page's plain areas: white, a band and its edge
        pageRules.transparentLabels = true;
        pageRules.paintedLabelsHaveFields = m_drive.ActiveIndex() == W::kAddr;
        std::vector<std::string> faults = lxtest::LayoutFaults(page, pageRules);
        lxtest::LayoutRules sheetRules;
        sheetRules.backgrounds = {page};
        for (const std::string& f : lxtest::LayoutFaults(m_drive.Sheet(), sheetRules))
            faults.push_back("sheet: " + f);
        // The title bar: the page's title in its letters, each with a glyph to show it.
        const std::wstring want = titleShown ? std::wstring(titleShown) : TitleText(title);
        for (const std::string& f : lxtest::CaptionFaults(m_drive.Sheet(), want))
            faults.push_back("sheet: " + f);
        return faults;
    }

    // A title as the user reads it: the letters of the bytes the wizard holds.
    std::wstring TitleText(UINT id) const
    {
        const CWizardContext& c = m_sheet->Context();
        return lxfacts::LanguageText(c.useBuiltinStrings
                                         ? lxfacts::LanguageFor("Chinese (S)")
                                         : lxfacts::LanguageOfModule(LxResourceHandle()),
                                     c.GetText(id));
    }

    std::unique_ptr<CWizLexiReg> m_sheet;
    lxtest::SheetDriver m_drive;
};

// The skin draws a message inside the frame of its container, this far from its sides.
const int kContainerInset = 2;

// A skinned dialog run modally here, looked at from a thread of its own once it shows, saved,
// then ended with a button.
std::vector<std::string> LookAtModal(const std::function<void()>& run, int endButton,
                                     const std::string& shot, int buttons = -1)
{
    std::vector<std::string> faults;
    std::thread looker([&] {
        HWND box = nullptr;
        for (int i = 0; i < 200 && !(box = lxtest::FindProcessDialog(GetCurrentProcessId())); ++i)
            Sleep(50);
        if (!box) {
            faults.push_back("the dialog did not come up");
            return;
        }
        Sleep(300);  // the skin paints
        lxtest::SaveWindowPng(box, shot);
        lxtest::LayoutRules rules;
        rules.textInsets = {{IDC_MSG_TEXT, kContainerInset, 0}};
        faults = lxtest::LayoutFaults(box, rules);
        int shown = 0;
        for (int id : {IDC_MSG_FIRST, IDC_MSG_SECOND, IDC_MSG_THIRD})
            shown += IsWindowVisible(GetDlgItem(box, id)) ? 1 : 0;
        if (buttons >= 0 && shown != buttons)
            faults.push_back("it shows " + std::to_string(shown) + " buttons of the " +
                             std::to_string(buttons) + " of its set");
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(endButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, endButton)));
    });
    run();
    looker.join();
    return faults;
}


std::vector<std::string> Looker::Look(const Language& lang)
{
    std::vector<std::string> all;
    const std::string prefix = std::string("layout_") + lang.name + "_";
    auto note = [&](const std::string& what, const std::vector<std::string>& faults) {
        if (!faults.empty())
            all.push_back(prefix + what + Lines(faults));
    };
    UseLanguage(lang);
    if (!LxResourceHandle())
        return {std::string("no language module ") + lang.module};
    Open();
    note("0_mouse", LookAtPage(prefix + "0_mouse", 175));
    m_drive.Press(PSBTN_NEXT, 500);
    note("0_mouse_animation", LookAtPage(prefix + "0_mouse_animation", 175));
    for (const PageCase& page : Pages()) {
        Reach(page);
        if (m_drive.ActiveIndex() != page.index)
            note(page.name, {"the page did not show"});
        else
            note(page.name, LookAtPage(prefix + page.name, page.title,
                                       page.index == W::kAddr ? lang.addressTitle : nullptr));
    }
    const bool builtin = m_sheet->Context().useBuiltinStrings != 0;
    // The waiting dialog as the pages open it, over the page.
    m_sheet->Context().OpenWaiting(m_drive.ActivePage(), m_sheet->Context().GetText(137) +
                                                             "\n\n" + m_sheet->Context().GetText(128));
    lxtest::PumpMessages(400);
    HWND waiting = nullptr;
    for (HWND d : lxtest::ProcessDialogs(GetCurrentProcessId()))
        if (d != m_drive.Sheet() && IsWindowVisible(d))
            waiting = d;
    if (waiting) {
        lxtest::SaveWindowPng(waiting, prefix + "waiting");
        note("waiting", lxtest::LayoutFaults(waiting));
    } else {
        note("waiting", {"the waiting dialog did not come up"});
    }
    m_sheet->Context().CloseWaiting();
    m_sheet.reset();

    // The message boxes with the wizard's own texts, and the log-in dialog.
    const SkinLibrary lib;
    const auto setSkin = lib.Get<SetAppSkinFn>("SetAppSkin");
    const auto openBox = lib.Get<OpenMsgDlgFn>("OpenMsgDlg");
    const auto openLogin = lib.Get<int(WINAPI*)(const char*, char*, char*)>("OpenLoginDlg");
    if (!setSkin || !openBox || !openLogin)
        return {"lxpmsgbx.dll lacks its exports"};
    setSkin(lang.skin);
    const struct {
        const char* name;
        UINT text;
        int flags;
        int buttons;  // shown
    } boxes[] = {
        // The styles the pages open them with, and every other button set of the box (its
        // low four bits), the widest with its check box.
        {"box_information", 187, MB_ICONINFORMATION, 1},
        {"box_question", 192, MB_ICONQUESTION, 1},
        {"box_register_again", 186, 0x81, 2},
        {"box_retrycancel", 195, 0x0002 | 0x0020, 2},
        {"box_okcancel", 195, 0x0003, 2},
        {"box_yesnocancel_check", 195, 0x0004 | 0x0010, 3},
        {"box_nobutton", 195, 0x0005, 0},
        {"box_cancel", 195, 0x0006 | 0x0100, 1},
        {"box_close", 195, 0x0007, 1},
    };
    for (const auto& b : boxes) {
        const std::string text = builtin ? BuiltinText(b.text) : CWizardContext::ModuleText(b.text);
        note(b.name, LookAtModal([&] { openBox(lang.boxModule, "", text.c_str(), b.flags); },
                                 IDC_MSG_THIRD, prefix + b.name, b.buttons));
    }
    char email[SKINBOX_LOGIN_TEXT_MAX] = "", password[SKINBOX_LOGIN_TEXT_MAX] = "";
    note("login", LookAtModal([&] { openLogin(lang.boxModule, email, password); },
                              IDC_LOGIN_CANCEL, prefix + "login"));
    return all;
}

}  // namespace

TEST_F(LayoutTest, EveryPageAndDialogIsCleanInEveryLanguage)
{
    int looked = 0;
    for (const Language& lang : kLanguages) {
        SCOPED_TRACE(lang.name);
        // A language of another code page needs a process of its own: Wine takes the code
        // page from the locale a program starts in (layout_test_zh runs this in zh_CN).
        if (GetACP() != lang.codePage) {
            std::printf("layout_test: %s is looked at in code page %u (LC_ALL=%s)\n", lang.name,
                        lang.codePage, lang.locale);
            continue;
        }
        ++looked;
        const std::vector<std::string> faults = Looker().Look(lang);
        EXPECT_TRUE(faults.empty()) << Lines(faults);
    }
    EXPECT_GT(looked, 0) << "no language of code page " << GetACP();
}
