#include "replyrules.h"

#include <algorithm>

namespace {

std::string First(const Fields& f) { return f.empty() ? std::string() : f[0]; }

bool IsCode(const Fields& f, std::initializer_list<const char*> codes)
{
    const std::string status = First(f);
    return std::any_of(codes.begin(), codes.end(), [&](const char* c) { return status == c; });
}

}  // namespace

int StatusTextId(const std::string& status)
{
    if (status.empty() || status.size() > 2 ||
        !std::all_of(status.begin(), status.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const int code = std::stoi(status);
    return code <= 26 ? 148 + code : 0;
}

RegisterOutcome ReadRegisterReply(const Fields& f)
{
    if (f.size() > 2 || First(f) == "21")
        return RegisterOutcome::AccountExists;
    return f.size() == 2 ? RegisterOutcome::PinMailed : RegisterOutcome::NoService;
}

LoginOutcome ReadLoginReply(const Fields& f)
{
    if (f.empty())
        return LoginOutcome::NoService;
    if (IsCode(f, {"0", "16"}))
        return LoginOutcome::LoggedIn;
    return IsCode(f, {"8"}) ? LoginOutcome::WrongPassword : LoginOutcome::Status;
}

int WrongPasswordTextId(int failures) { return failures < 3 ? 189 : 186; }

MobileOutcome ReadMobileRegistrationReply(const Fields& f)
{
    if (f.empty())
        return MobileOutcome::NoService;
    if (IsCode(f, {"0", "13"}))
        return MobileOutcome::Accepted;
    return IsCode(f, {"23", "24"}) ? MobileOutcome::Validate : MobileOutcome::Invalid;
}

MobileOutcome ReadMobileValidationReply(const Fields& f)
{
    if (f.empty())
        return MobileOutcome::NoService;
    return IsCode(f, {"0"}) ? MobileOutcome::Accepted : MobileOutcome::Invalid;
}

std::string FilterMobileNumber(const std::string& typed)
{
    std::string out;
    bool afterDigit = false;
    for (size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        const bool digit = c >= '0' && c <= '9';
        if (digit || (c == '+' && i == 0) || ((c == '-' || c == ' ') && afterDigit) || c == '(' ||
            c == ')')
            out += c;
        afterDigit = digit;
    }
    return out;
}

std::string DropSeparators(const std::string& typed, unsigned codePage)
{
    std::string out;
    for (size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        const bool pair = i + 1 < typed.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c));
        if (pair) {
            if (typed[i + 1] != '|')
                out.append(typed, i, 2);
            ++i;
        } else if (c != '|') {
            out += c;
        }
    }
    return out;
}

ReplyDetails ReadReplyDetails(const Fields& f)
{
    const auto at = [&](size_t i) { return i < f.size() ? f[i] : std::string(); };
    ReplyDetails d;
    d.honorific = at(2);
    d.title = at(3);
    d.firstName = at(5);
    d.lastName = at(6);
    d.secondName = at(7);
    d.secondLastName = at(8);
    d.address1 = at(9);
    d.address2 = at(10);
    d.address3 = at(11);
    d.city = at(12);
    d.state = at(13);
    d.province = at(14);
    d.postalCode = at(15);
    d.countryCode = at(16);
    d.customerType = at(17);
    d.company = at(18);
    return d;
}
