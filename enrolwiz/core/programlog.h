// The program-wide error log of the wizard: ".\logs\ErrorLog.log", 1000 KB, truncation
// armed. Constructed before the application starts (static construction), closed at exit.
#pragma once

#include "errorlog.h"

extern CErrorLog g_ErrorLog;
