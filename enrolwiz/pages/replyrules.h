// How the sign-up pages read the account service's replies, and the mobile number filter.
// Every rule takes the reply's fields (the first is the service status code) and says what
// the page does next; the pages do the showing and pressing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

using Fields = std::vector<std::string>;

// Text id of a service status code (148 + code for 0..26), 0 for any other first field.
int StatusTextId(const std::string& status);

// The e-mail registration reply.
enum class RegisterOutcome {
    NoService,      // fewer than two fields: text 192, anonymous completion
    PinMailed,      // a new account, its PIN mailed: the PIN page
    AccountExists,  // an existing account: the password page (details copied when sent)
};
RegisterOutcome ReadRegisterReply(const Fields& f);

// The log-in reply of the PIN and password pages.
enum class LoginOutcome {
    NoService,      // no fields: text 192, anonymous completion
    LoggedIn,       // 0 or 16
    WrongPassword,  // 8: counted
    Status,         // any other code: its status text, the page stays
};
LoginOutcome ReadLoginReply(const Fields& f);
// After a wrong password, with `failures` wrong ones so far in this visit (this one
// included): the text to show (189 to try again, 186 the last chance's question).
int WrongPasswordTextId(int failures);

// The mobile number registration and validation replies.
enum class MobileOutcome {
    NoService,  // text 192, on
    Accepted,   // on
    Validate,   // registered but not confirmed: ask for the validation
    Invalid,    // text 188, the page stays
};
MobileOutcome ReadMobileRegistrationReply(const Fields& f);
MobileOutcome ReadMobileValidationReply(const Fields& f);

// What the mobile number edit keeps of a typed text: digits; '+' first only; '-' and ' '
// right after a digit; brackets anywhere.
std::string FilterMobileNumber(const std::string& typed);

// What an edit of the sign-up pages keeps of a typed text: everything but the record
// separator "|"; in a double-byte code page (936) also no character one of whose bytes is
// the separator's.
std::string DropSeparators(const std::string& typed, unsigned codePage);

// The personal details an existing account's registration reply carries, by field.
struct ReplyDetails {
    std::string honorific, title, firstName, lastName, secondName, secondLastName;
    std::string address1, address2, address3, city, state, province, postalCode;
    std::string countryCode, customerType, company;
};
ReplyDetails ReadReplyDetails(const Fields& f);
