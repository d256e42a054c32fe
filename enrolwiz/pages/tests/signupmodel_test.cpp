// The sign-up pages' rules without windows: list files, forms, postal codes, the form check,
// the submission record and the reply rules.
#include "addressform.h"
#include "addresspage.h"
#include "emailverpage.h"
#include "replyrules.h"
#include "requestledger.h"

#include "lxtest.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

// A data folder with the four country lists.
std::string CountryData(const std::string& name, bool withPostal = true)
{
    const std::string dir = lxtest::FreshDir(name);
    lxtest::WriteFileBytes(dir + "\\CountryNames.lst",
                           "-- choose country --\r\n  Germany \r\n\r\nUnited States\r\nJapan\r\n"
                           "Atlantis\r\n-- other countries --\r\n");
    lxtest::WriteFileBytes(dir + "\\CountryList.lst",
                           "<Country=\"Default\">|<Honorific>|<First Name>?<Last Name>|<Address 1>|"
                           "<Postal Code>?<City>|<Country>\r\n"
                           "<Country=\"germany\"><Honorific>|<First Name>?<Last Name>|<Street>|"
                           "<Postal Code>?<City>\r\n"
                           "<Country=\"Japan\"><Title>|<Last Name>?<First Name>|<Prefecture>|"
                           "<Postal Code>\r\n");
    if (withPostal)
        lxtest::WriteFileBytes(dir + "\\PostalCode.lst",
                               "DE|Germany|NNNNN\r\nUS|united states|NNNNN-NNNN\r\nJP|Japan|NNN-NNNN\r\n");
    lxtest::WriteFileBytes(dir + "\\USStates.lst", "Alabama|AL\nAlaska|AK\n");
    return dir;
}

}  // namespace

TEST(SignupModel, CountryTableFromTheFourLists)
{
    const std::string dir = CountryData("signup_countries");
    CCountryTable table;
    Strings missing;
    table.Load(dir, [&](const std::string& path) { missing.push_back(path); });
    EXPECT_TRUE(missing.empty());
    EXPECT_EQ(table.Names(), Strings({kChooseCountry, "Germany", "United States", "Japan", "Atlantis",
                                      kOtherCountries}));
    EXPECT_EQ(table.UsStates(), Strings({"Alabama", "Alaska"}));
    struct Row {
        const char* name;
        const char* code;
        const char* format;
        const char* form;
    } rows[] = {
        {"germany", "DE", "NNNNN", "<Honorific>|<First Name>?<Last Name>|<Street>|<Postal Code>?<City>"},
        {"United States", "US", "NNNNN-NNNN",
         "|<Honorific>|<First Name>?<Last Name>|<Address 1>|<Postal Code>?<City>|<Country>"},
        {"JAPAN", "JP", "NNN-NNNN", "<Title>|<Last Name>?<First Name>|<Prefecture>|<Postal Code>"},
        {"Atlantis", "", "", "|<Honorific>|<First Name>?<Last Name>|<Address 1>|<Postal Code>?<City>|<Country>"},
    };
    for (const Row& r : rows) {
        const CountryNode* node = table.Find(r.name);
        ASSERT_NE(node, nullptr) << r.name;
        EXPECT_EQ(node->countryCode, r.code) << r.name;
        EXPECT_EQ(node->postalFormat, r.format) << r.name;
        EXPECT_EQ(node->formTemplate, r.form) << r.name;
    }
    EXPECT_EQ(table.Find("Narnia"), nullptr);
    EXPECT_EQ(CCountryTable::NameOfCode(dir, "us"), "united states");
    EXPECT_EQ(CCountryTable::NameOfCode(dir, "XX"), "");

    // A missing list is named and its part stays empty; the others still count.
    DeleteFileA((dir + "\\PostalCode.lst").c_str());
    DeleteFileA((dir + "\\CountryList.lst").c_str());
    missing.clear();
    table.Load(dir, [&](const std::string& path) { missing.push_back(path); });
    EXPECT_EQ(missing, Strings({dir + "\\CountryList.lst", dir + "\\PostalCode.lst"}));
    ASSERT_EQ(table.Countries().size(), 6u);
    EXPECT_EQ(table.Find("Germany")->formTemplate, "");
    EXPECT_EQ(table.Find("Germany")->countryCode, "");
    EXPECT_EQ(CCountryTable::NameOfCode(dir, "DE"), "");
}

TEST(SignupModel, FormsRowsHonorificsAndLayout)
{
    const std::string us = "|<Honorific>|<First Name>?<Last Name>|<Company Name>|<Postal Code>?<City>?<State>";
    const std::string jp = "<Title>|<Last Name>?<First Name>";
    struct Row {
        std::string tmpl;
        bool company;
        FormRows rows;
    } rows[] = {
        {us, false, {{"<Honorific>"}, {"<First Name>", "<Last Name>"}, {"<Postal Code>", "<City>", "<State>"}}},
        {"<Honorific>|<First Name>", true, {{"<Honorific>"}, {"<Company Name>"}, {"<First Name>"}}},
        {jp, true, {{"<Title>"}, {"<Company Name>"}, {"<Last Name>", "<First Name>"}}},
        {jp, false, {{"<Title>"}, {"<Last Name>", "<First Name>"}}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ParseFormTemplate(FormTemplateFor(r.tmpl, r.company)), r.rows) << r.tmpl << r.company;

    EXPECT_EQ(HonorificList("Mr.|Mrs.|Miss|", "France"), Strings({"Mr.", "Mrs.", "Miss"}));
    EXPECT_EQ(HonorificList("Mr.|Mrs.|Miss|", "GERMANY"), Strings({"Mr.", "Mrs."}));
    EXPECT_EQ(HonorificList("", "France"), Strings());
    const Strings list = {"Mr.", "Mrs.", "Miss"};
    const std::pair<const char*, size_t> picks[] = {
        {"mrs.", 1}, {"Miss", 2}, {"2", 2}, {"0", 0}, {"1", 1}, {"7", 0}, {"Dr.", 0}, {"", 0}};
    for (const auto& p : picks)
        EXPECT_EQ(HonorificIndex(list, p.first), p.second) << p.first;

    // One field: 350 wide; three: (354 - 12) / 3; a formatted postal code: (5 + 1) W + 4, the
    // others share the rest.
    const std::vector<FieldPlace> places =
        LayOutForm(ParseFormTemplate(FormTemplateFor(us, false)), "NNNNN", 10);
    ASSERT_EQ(places.size(), 6u);
    const auto at = [&](size_t i) {
        const FieldPlace& p = places[i];
        return std::vector<int>{static_cast<int>(p.row), p.x, p.y, p.width};
    };
    EXPECT_EQ(at(0), std::vector<int>({0, 180, 150, 350}));
    EXPECT_EQ(at(1), std::vector<int>({1, 180, 176, 173}));
    EXPECT_EQ(at(2), std::vector<int>({1, 357, 176, 173}));
    EXPECT_EQ(at(3), std::vector<int>({2, 180, 202, 64}));
    EXPECT_EQ(at(4), std::vector<int>({2, 248, 202, 139}));
    EXPECT_EQ(at(5), std::vector<int>({2, 391, 202, 139}));
    const std::vector<FieldPlace> plain = LayOutForm(ParseFormTemplate(FormTemplateFor(us, false)), "", 10);
    EXPECT_EQ(plain[3].width, 114);
    EXPECT_EQ(plain[5].x, 180 + 2 * (114 + 4));

    const auto text = [](int id) { return "T" + std::to_string(id); };
    EXPECT_EQ(RowLabel({"<Postal Code>", "<City>", "<Country>"}, text), "T113, T114, T116");
    EXPECT_EQ(RowLabel({"<Nonsense>", "<Street>"}, text), "T119");
    EXPECT_EQ(SplitRowLabel("Postal code, City, State"),
              std::make_pair(std::string("Postal code, City,"), std::string("State")));
    EXPECT_EQ(SplitRowLabel("No comma here").second, "");
    EXPECT_EQ(SplitRowLabel(std::string(80, 'x') + ", y").second, "");
    EXPECT_EQ(TagControlId("<State>", false), 1027);
    EXPECT_EQ(TagControlId("<State>", true), 1016);
    EXPECT_EQ(TagControlId("<Prefecture>", false), TagControlId("<District>", true));
}

TEST(SignupModel, PostalAndMobileFilters)
{
    struct Row {
        const char* typed;
        const char* format;
        const char* kept;
    } postal[] = {
        {"12345", "NNN NN", "123 45"},
        {"123", "NNN NN", "123"},
        {"1234", "NNN NN", "123 4"},
        {"12a3 45x6", "NNN NN", "123 45"},
        {"123 45", "NNN NN", "123 45"},
        {"1234567", "NNN NN", "123 45"},
        {"abc", "NNN NN", ""},
        {"a1b2", "CNCN", "a1b2"},
        {"1a2b", "CNCN", "a2b"},
        {"SW1A1AA", "CCNC NCC", "SW1A 1AA"},
        {"K1A0B1", "CNC NCN", "K1A 0B1"},
        {"anything", "", ""},
    };
    for (const Row& r : postal)
        EXPECT_EQ(FilterPostalCode(r.typed, r.format), r.kept) << r.typed << " / " << r.format;

    struct Len {
        const char* code;
        const char* format;
        bool ok;
    } lengths[] = {
        {"123 45", "NNN NN", true}, {"123", "NNN NN", true},   {"1234", "NNN NN", false},
        {"12", "NNN NN", false},    {"", "NNN NN", false},     {"12345-6789", "NNNNN-NNNN", true},
        {"12345", "NNNNN-NNNN", true}, {"12345-6", "NNNNN-NNNN", false}, {"x", "", true},
        {"", "", false},            {"12345678901234567890", "", true}, {"123456789012345678901", "", false},
    };
    for (const Len& l : lengths)
        EXPECT_EQ(PostalCodeLengthOk(l.code, l.format), l.ok) << l.code << " / " << l.format;
    EXPECT_EQ(PostalCodeLimit("NNN NN"), 6u);
    EXPECT_EQ(PostalCodeLimit(""), 20u);

    const std::pair<const char*, const char*> mobile[] = {
        {"+49 170 1234567", "+49 170 1234567"},
        {"0170-123", "0170-123"},
        {"(0) 170", "(0)170"},
        {"(0)-170", "(0)170"},
        {"12+34", "1234"},
        {"+-12", "+12"},
        {"--12", "12"},
        {"12  34", "12 34"},
        {"abc12def", "12"},
        {")(1)", ")(1)"},
        {"1 - 2", "1 2"},
        {"", ""},
    };
    for (const auto& m : mobile)
        EXPECT_EQ(FilterMobileNumber(m.first), m.second) << m.first;
}

TEST(SignupModel, FormCheckNamesTheFirstFaultInOrder)
{
    const Strings shown = {"<Honorific>", "<First Name>", "<Last Name>", "<Address 1>",
                           "<Postal Code>", "<City>", "<Street>"};
    std::map<std::string, std::string> full = {
        {"<First Name>", "Ada"}, {"<Last Name>", "Lovelace"}, {"<Address 1>", "1 Lane"},
        {"<Postal Code>", "123 45"}, {"<City>", "Town"}, {"<Street>", "Main"}};
    EXPECT_EQ(CheckForm(full, shown, "NNN NN").tag, "");
    struct Row {
        const char* emptied;  // set to blanks
        const char* fault;
        bool length;
        const char* postal;
    } rows[] = {
        {"<First Name>", "<First Name>", false, "123 45"},
        {"<Last Name>", "<Last Name>", false, "123 45"},
        {"<Address 1>", "<Address 1>", false, "123 45"},
        {"<Postal Code>", "<Postal Code>", false, "123 45"},
        {"<City>", "<Postal Code>", true, "1234"},
        {"<City>", "<City>", false, "123"},
        {"<Street>", "<Street>", false, "123 45"},
        {"<Company Name>", "", false, "123 45"},  // not shown: not checked
    };
    for (const Row& r : rows) {
        std::map<std::string, std::string> values = full;
        values["<Postal Code>"] = r.postal;
        values[r.emptied] = "  ";
        const FormFault fault = CheckForm(values, shown, "NNN NN");
        EXPECT_EQ(fault.tag, r.fault) << r.emptied;
        EXPECT_EQ(fault.length, r.length) << r.emptied;
    }
    Strings company = shown;
    company.push_back("<Company Name>");
    company.push_back("<Prefecture>");
    EXPECT_EQ(CheckForm(full, company, "").tag, "<Company Name>");
    full["<Company Name>"] = "Acme";
    EXPECT_EQ(CheckForm(full, company, "").tag, "<Prefecture>");
    full["<Prefecture>"] = "Kyoto";
    full["<Postal Code>"] = "whatever";
    EXPECT_EQ(CheckForm(full, company, "").tag, "");

    EXPECT_EQ(FormFaultText("The data in [field name] is incomplete.", "City", false),
              "The data in City is incomplete.");
    EXPECT_EQ(FormFaultText("The data in [field name] is incomplete.", "Postal code", true),
              "The data in \"Postal code\" is incomplete.");
}

TEST(SignupModel, SubmissionRecordByteForByte)
{
    SubmissionValues v;
    v.progVer = "2.9";
    v.build = "1234";
    v.honorific = "Mr.";
    v.firstName = "Ada";
    v.lastName = "Lovelace";
    v.address1 = "1 Lane";
    v.city = "Town";
    v.postalCode = "123 45";
    v.countryCode = "SE";
    v.osId = "WXP";
    v.displayLanguage = "English";
    v.installDate = "20261207";
    v.customerType = "I";
    EXPECT_EQ(SubmissionRecord(v),
              "LXK|2.9|1234| | | | |Mr.|Mr.| |Ada|Lovelace| |Lovelace| |1 Lane| | |Town| | |123 45|SE|"
              " |WXP| |English|202612070101|I|1|1;2;|");
    v = SubmissionValues();
    v.company = "Acme";
    v.contactLine = ContactLine(true, "Mrs.", "Grace", "Hopper");
    v.customerType = "C";
    EXPECT_EQ(SubmissionRecord(v),
              "LXK| | | | | | | | | | | | | | | | | | | | | | |Acme| |Mrs. Grace Hopper| |0101|C|1|1;2;|");
    EXPECT_EQ(ContactLine(false, "Mrs.", "Grace", "Hopper"), "");

    DetailPair same{"Town", "TOWN"}, other{"Town", "City"};
    EXPECT_FALSE(AnyDetailDiffers({&same, &same}));
    EXPECT_TRUE(AnyDetailDiffers({&same, &other}));
}

TEST(SignupModel, ReplyRules)
{
    using F = Fields;
    struct Reg {
        F fields;
        RegisterOutcome outcome;
    } reg[] = {
        {{}, RegisterOutcome::NoService},
        {{"19"}, RegisterOutcome::NoService},
        {{"10", "a@b.c"}, RegisterOutcome::PinMailed},
        {{"0", "a@b.c"}, RegisterOutcome::PinMailed},
        {{"21", "a@b.c"}, RegisterOutcome::AccountExists},
        {{"21"}, RegisterOutcome::AccountExists},
        {{"0", "a@b.c", "Mr."}, RegisterOutcome::AccountExists},
    };
    for (const Reg& r : reg)
        EXPECT_EQ(ReadRegisterReply(r.fields), r.outcome) << r.fields.size();

    struct Login {
        F fields;
        LoginOutcome outcome;
    } login[] = {
        {{}, LoginOutcome::NoService},     {{"0"}, LoginOutcome::LoggedIn},
        {{"16"}, LoginOutcome::LoggedIn},  {{"8"}, LoginOutcome::WrongPassword},
        {{"9"}, LoginOutcome::Status},     {{"160"}, LoginOutcome::Status},
    };
    for (const Login& l : login)
        EXPECT_EQ(ReadLoginReply(l.fields), l.outcome) << (l.fields.empty() ? "-" : l.fields[0]);
    EXPECT_EQ(WrongPasswordTextId(1), 189);
    EXPECT_EQ(WrongPasswordTextId(2), 189);
    EXPECT_EQ(WrongPasswordTextId(3), 186);

    struct Mobile {
        F fields;
        MobileOutcome registration, validation;
    } mobile[] = {
        {{}, MobileOutcome::NoService, MobileOutcome::NoService},
        {{"0"}, MobileOutcome::Accepted, MobileOutcome::Accepted},
        {{"13"}, MobileOutcome::Accepted, MobileOutcome::Invalid},
        {{"23"}, MobileOutcome::Validate, MobileOutcome::Invalid},
        {{"24"}, MobileOutcome::Validate, MobileOutcome::Invalid},
        {{"18"}, MobileOutcome::Invalid, MobileOutcome::Invalid},
        {{"20"}, MobileOutcome::Invalid, MobileOutcome::Invalid},
    };
    for (const Mobile& m : mobile) {
        EXPECT_EQ(ReadMobileRegistrationReply(m.fields), m.registration);
        EXPECT_EQ(ReadMobileValidationReply(m.fields), m.validation);
    }

    const std::pair<const char*, int> status[] = {{"0", 148}, {"9", 157}, {"26", 174}, {"27", 0},
                                                  {"", 0},    {"x", 0},   {"-1", 0},   {"104", 0}};
    for (const auto& s : status)
        EXPECT_EQ(StatusTextId(s.first), s.second) << s.first;

    const ReplyDetails d = ReadReplyDetails(
        {"0", "a@b.c", "Mrs.", "Dr.", "", "Ada", "Lovelace", "A.", "King", "1 Lane", "Flat 2", "",
         "London", "", "Greater London", "N1 9GU", "GB", "C", "Acme"});
    EXPECT_EQ(Strings({d.honorific, d.title, d.firstName, d.lastName, d.secondName, d.secondLastName,
                       d.address1, d.address2, d.address3, d.city, d.state, d.province, d.postalCode,
                       d.countryCode, d.customerType, d.company}),
              Strings({"Mrs.", "Dr.", "Ada", "Lovelace", "A.", "King", "1 Lane", "Flat 2", "", "London",
                       "", "Greater London", "N1 9GU", "GB", "C", "Acme"}));
    EXPECT_EQ(ReadReplyDetails({"21"}).company, "");
}

TEST(SignupModel, ReplyDetailsAndTheResubmissionRule)
{
    const std::string dir = CountryData("signup_reply");
    PersonalDetails d;
    d.customerType = {"I", ""};
    // A number in the honorific field picks an entry of the list (from 0).
    CWizLexiRegEmailVer::CopyReplyDetails(
        {"0", "a@b.c", "1", "Dr.", "", "Ada", "Lovelace", "", "", "1 Lane", "", "", "Uppsala", "",
         "", "123 45", "SE", "C", "Acme"},
        d, "Mr.|Mrs.|Miss|", dir);
    EXPECT_EQ(d.honorific.edited, "Mrs.");
    EXPECT_EQ(d.honorific.server, "Mrs.");
    EXPECT_EQ(d.title.edited, "Dr.");
    EXPECT_EQ(d.countryName.edited, "");  // no line for SE in this installation's list
    EXPECT_EQ(d.countryCode, "SE");
    EXPECT_EQ(d.customerType.edited, "C");
    EXPECT_EQ(d.company.server, "Acme");
    EXPECT_FALSE(CWizLexiRegAddr::DetailsChanged(d));
    CWizLexiRegEmailVer::CopyReplyDetails({"0", "a@b.c", "9", "", "", "", "", "", "", "", "", "",
                                           "", "", "", "", "us", "X", ""},
                                          d, "Mr.|Mrs.|Miss|", dir);
    EXPECT_EQ(d.honorific.edited, "Mr.");  // out of the list: the first
    EXPECT_EQ(d.countryName.edited, "united states");
    EXPECT_EQ(d.customerType.edited, "C");  // neither I nor C: kept

    d.city.edited = "UPPSALA";
    d.city.server = "Uppsala";
    EXPECT_FALSE(CWizLexiRegAddr::DetailsChanged(d));
    d.customerType.edited = "I";
    EXPECT_TRUE(CWizLexiRegAddr::DetailsChanged(d));

    // The prefecture or district stands for the province unless the form has one.
    EXPECT_EQ(CWizLexiRegAddr::DetailOf(d, "<Prefecture>", false), &d.province);
    EXPECT_EQ(CWizLexiRegAddr::DetailOf(d, "<District>", true), &d.district);
    EXPECT_EQ(CWizLexiRegAddr::DetailOf(d, "<Honorific>", false), nullptr);
    EXPECT_EQ(CWizLexiRegAddr::DetailOf(d, "<Street>", false), &d.street);
}

TEST(SignupModel, EditsKeepNoRecordSeparator)
{
    // "\x81\x7c" is one character of code page 936 whose second byte is the separator's.
    const std::pair<std::string, std::string> cases[] = {
        {"Ada|Lovelace", "AdaLovelace"}, {"||", ""}, {"plain", "plain"},
        {"\xc4\xe3\x81\x7c\xba\xc3", "\xc4\xe3\xba\xc3"}, {"\xc4\xe3|", "\xc4\xe3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DropSeparators(c.first, 936), c.second) << c.first;
    // In a single-byte code page the same bytes are two characters, the second the separator.
    EXPECT_EQ(DropSeparators("\x81\x7c", 1252), "\x81");
}

TEST(SignupModel, OnlyTheAwaitedAnswerCounts)
{
    using V = CRequestLedger::Verdict;
    const LxpMsg login = LxpMsg::GetCallbackUsersAuthentication, logout = LxpMsg::GetCallbackMsgLogout;
    HWND page = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    // Steps: b begin, r refused (2000), a an answer arrives, e the wait ends (Cancel, Back,
    // leaving), j rejoin a request still out; with the verdict each answer gets.
    struct Case {
        const char* steps;
        std::vector<V> verdicts;
        bool waitingAfter;
    } cases[] = {
        {"ba", {V::Act}, false},
        {"baa", {V::Act, V::Drop}, false},          // an undecodable reply's second message
        {"bea", {V::Drop}, false},                  // Cancel, then the late answer
        {"beba", {V::Drop}, true},                  // the old one's answer is not the new one's
        {"bebaa", {V::Drop, V::Act}, false},
        {"bebra", {V::Resend}, true},               // the refused one goes out after the old
        {"bebraa", {V::Resend, V::Act}, false},
        {"bebrea", {V::Drop}, false},               // refused, then Cancel: nothing goes out
        {"beja", {V::Act}, false},                  // a hunt of an earlier visit rejoined
    };
    for (const Case& c : cases) {
        CRequestLedger ledger;
        std::vector<V> verdicts;
        for (const char* step = c.steps; *step; ++step) {
            switch (*step) {
            case 'b': ledger.Begin(login, page); break;
            case 'r': ledger.Refused(login); break;
            case 'a': verdicts.push_back(ledger.Arrived(login)); break;
            case 'e': ledger.EndWaits(); break;
            case 'j': EXPECT_TRUE(ledger.Rejoin(login, page)) << c.steps; break;
            default: break;
            }
        }
        EXPECT_EQ(verdicts, c.verdicts) << c.steps;
        EXPECT_EQ(ledger.Waiting(), c.waitingAfter) << c.steps;
    }
    // Kinds are kept apart; a refused request names its page; nothing out, nothing to rejoin.
    CRequestLedger ledger;
    ledger.Begin(login, page);
    ledger.Begin(logout, page);
    EXPECT_EQ(ledger.Arrived(logout), V::Act);
    EXPECT_TRUE(ledger.Awaits(login));
    EXPECT_FALSE(ledger.Awaits(logout));
    EXPECT_EQ(ledger.Arrived(login), V::Act);
    EXPECT_FALSE(ledger.Rejoin(login, page));
    ledger.Begin(login, page);
    ledger.EndWaits();
    ledger.Begin(login, nullptr);
    ledger.Refused(login);
    ledger.Begin(logout, page);
    ledger.Refused(logout);  // nothing older out: it never started, nothing will answer
    EXPECT_FALSE(ledger.Out(logout));
    EXPECT_EQ(ledger.RefusedPage(login), nullptr);
    EXPECT_TRUE(ledger.Out(login));
}
