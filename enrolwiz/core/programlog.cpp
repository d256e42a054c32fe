#include "programlog.h"

CErrorLog g_ErrorLog(".\\logs\\ErrorLog.log", 1000, 1);
