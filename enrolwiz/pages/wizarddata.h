// The wizard's shared state: one instance, owned by the sheet, that every page reads and
// writes through the context it is given. It also owns the server link and the settings
// store of the wizard.
#pragma once

#include "commclientwrapper.h"
#include "requestledger.h"
#include "settingsstore.h"

#include <windows.h>

#include <string>

// One personal detail: the value being edited on the pages and the value the account service
// sent last.
struct PersonalDetail {
    std::string edited;
    std::string server;
};

// The user's personal details (38 texts): seventeen edited/server pairs, the customer type
// pair ("I" a private person, "C" a company) and the two single values of the country.
struct PersonalDetails {
    PersonalDetail honorific;
    PersonalDetail title;
    PersonalDetail firstName;
    PersonalDetail secondName;
    PersonalDetail lastName;
    PersonalDetail secondLastName;
    PersonalDetail countryName;
    PersonalDetail address1;
    PersonalDetail address2;
    PersonalDetail address3;
    PersonalDetail company;
    PersonalDetail state;
    PersonalDetail postalCode;
    PersonalDetail city;
    PersonalDetail province;
    PersonalDetail district;
    PersonalDetail street;
    PersonalDetail customerType{"I", ""};
    std::string countryCode;
    std::string postalFormat;

    // Every pair, the customer type last (18).
    static constexpr size_t kPairs = 18;
    PersonalDetail* Pairs(size_t index);
    // Empties the edited value of every detail but the customer type (what the e-mail page
    // does each time it is shown).
    void ClearEdited();
    // Forgets what the service sent for an account (another address was entered): every
    // server copy and the country's code.
    void ClearServerCopies();
};

struct WizardData {
    std::string email;
    std::string password;
    std::string mobileNumber;
    PersonalDetails details;
    std::string contentType;
    std::string applicationCode;
    std::string applicationVersion;
    std::string build;
    std::string protocolVersion;
    std::string installDate;
    std::string displayLanguage;
    std::string previousEmail;
    std::string waitingCaption;
    int mouseChoice = 1;
    int passwordMailed = 0;
    int pinCheckState = 0;
    int cancelled = 0;
    int goingBack = 0;
    int openAccountPage = 0;
    int loggedIn = 0;
    int skipRest = 0;
    int accountKnown = 0;
    int multipleUsers = 0;
    int hideEmailBack = 0;  // read by the e-mail page; nothing sets it
    HFONT font = nullptr;
    // The requests the pages wait for.
    CRequestLedger requests;
    CCommClientWrapper link;
    CSettingsStore settings;

    // The customer type lives with the personal details.
    std::string& customerType() { return details.customerType.edited; }
};
