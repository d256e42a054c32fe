// Ids of the skin control test's dialog template.
#pragma once

#define IDD_SKINNED 100
#define IDC_SKIN 1001
#define IDC_CHECK 1002
#define IDC_EXCLAMATION 1003
#define IDC_QUESTION 1004
#define IDC_INFORMATION 1005
#define IDC_STOP 1006
#define IDC_MESSAGE 1036
#define IDC_LABEL 1020
#define IDC_LINK 1024
#define IDC_RADIO1 1008
#define IDC_RADIO2 1009
#define IDC_FIRST 6
#define IDC_SECOND 7
#define IDC_THIRD 2
