#include "pendingpages.h"

LRESULT CPendingPage::OnSetActive()
{
    Enter(kCancel | kNext | kBack);
    return Skip();
}
