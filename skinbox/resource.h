// Resource identifiers of lxpmsgbx.dll.
#pragma once

// The message box (also the modeless dialog).
#define IDD_SKINMSGDLG 1001
#define IDC_MSG_SKIN 1001
#define IDC_MSG_CHECK 1002
#define IDC_MSG_EXCLAMATION 1003
#define IDC_MSG_QUESTION 1004
#define IDC_MSG_INFORMATION 1005
#define IDC_MSG_STOP 1006
#define IDC_MSG_FIRST 6
#define IDC_MSG_SECOND 7
#define IDC_MSG_THIRD 2
#define IDC_MSG_WAITBAR 1035
#define IDC_MSG_TEXT 1036

// Waiting bar animations (type "gif").
#define IDR_WAITBAR_A 1025
#define IDR_WAITBAR_B 1026

// The log-in dialog.
#define IDD_LOGINDLG 1016
#define IDC_LOGIN_SKIN 1023
#define IDC_LOGIN_EMAILLABEL 1020
#define IDC_LOGIN_EMAIL 1018
#define IDC_LOGIN_PASSWORDLABEL 1021
#define IDC_LOGIN_PASSWORD 1019
#define IDC_LOGIN_LINK 1024
#define IDC_LOGIN_LIST 1001
#define IDC_LOGIN_OK 1
#define IDC_LOGIN_NEWUSER 3
#define IDC_LOGIN_CANCEL 2
#define IDC_LINK_CURSOR 1006
