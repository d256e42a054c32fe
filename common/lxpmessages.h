// The one table of registered window messages of the system. Every notification between
// modules, and between a worker thread and a window, uses one of these names; the number
// comes from RegisterWindowMessage, so every process that registers a name gets the same one.
#pragma once

#include <windows.h>

enum class LxpMsg : unsigned {
    ConfigChange,                       // settings store -> dictionary program, after a write
    UsersAuthentication,                // password / PIN page -> itself
    GetCallbackUsersAuthentication,     // server link -> calling window
    RegisterEmailAddress,               // e-mail verification page -> itself
    GetCallbackRegisterEmailAddress,    // server link -> calling window
    RequestPassword,                    // password page -> itself
    GetCallbackRequestPassword,         // server link -> calling window
    SubmissionPersonalInfo,             // address page -> itself
    GetCallbackSubmissionPersonalInfo,  // server link -> calling window
    MobileNumberRegistration,           // mobile-service page -> itself
    GetCallbackMobileNumberRegistration,
    MobileNumberValidation,             // mobile-service page -> itself
    GetCallbackMsgMobileNumberValidation,
    Logout,                             // country page -> itself
    GetCallbackMsgLogout,               // log-out reply and offline installation report
    UpdateWaitingInternetMsg,           // status callback -> waiting window
    OnGetServerPortConnection,          // e-mail verification page -> itself
    OnResultServerPortHunting,          // hunting thread -> notify window
    OnStartIconMoving,                  // netcourier worker -> parent window
    OnStopIconMoving,                   // netcourier worker -> parent window
    OnOcrBuildingDone,                  // fontlearner -> dictionary program
    MouseHookOpen,                      // mouse hook -> notify window (posted)
    MouseHookClose,                     // mouse hook -> notify window (posted)
    OnRightMouseButtonDown,             // mouse hook -> notify window (sent)
    OnRightMouseButtonUp,               // mouse hook -> notify window (sent)
    Count
};

// Exact, case-sensitive name of a message ("LXPAPI_MSG_...").
const char* LxpMessageName(LxpMsg msg);

// The system's number for the message: registered on first use, then cached. Safe to call
// from any thread and from inside a hook procedure (no allocation). Returns 0 only when the
// system refuses the registration.
UINT LxpMessage(LxpMsg msg);
