#include "wizarddata.h"

PersonalDetail* PersonalDetails::Pairs(size_t index)
{
    PersonalDetail* all[kPairs] = {&honorific, &title,    &firstName, &secondName, &lastName,
                                   &secondLastName, &countryName, &address1, &address2,
                                   &address3, &company, &state, &postalCode, &city, &province,
                                   &district, &street, &customerType};
    return index < kPairs ? all[index] : nullptr;
}

void PersonalDetails::ClearEdited()
{
    for (size_t i = 0; i + 1 < kPairs; ++i)
        Pairs(i)->edited.clear();
}

void PersonalDetails::ClearServerCopies()
{
    for (size_t i = 0; i < kPairs; ++i)
        Pairs(i)->server.clear();
    countryCode.clear();
}
