// Small helpers shared by the settings store's units: registry reads and writes, decimal
// text, the local time stamp, and the database opened the one way every operation opens it.
#pragma once

#include "sqlitedb.h"
#include "productfacts.h"

#include <windows.h>

#include <string>

namespace storeutil {

// Text value: its size asked first, then read; false when missing or of size 0. The text
// ends at the first zero byte.
bool ReadText(HKEY key, const char* name, std::string& out);
// 32-bit number value; false when missing or not a 32-bit number.
bool ReadNumber(HKEY key, const char* name, DWORD& out);
void WriteText(HKEY key, const char* name, const std::string& value);
void WriteNumber(HKEY key, const char* name, DWORD value);

// Opens each backslash-separated level below root in turn with the given access; null when
// any level fails. Only the last level's handle stays open.
HKEY OpenKeyChain(HKEY root, const std::string& path, REGSAM access);

std::string Decimal(int value);
std::string Unsigned(DWORD value);
// Number in a stored text: decimal, signed or unsigned 32-bit; anything else gives 0.
DWORD ParseNumber(const char* text);

// Local time as "%Y%m%d%H%M%S".
std::string LocalTimeStamp();

// Opens "./data/admin/system.pwl" with the engine from "./".
inline bool OpenDatabase(CSQLiteDatabase& db)
{
    return db.Open(lxfacts::kDatabaseFile, lxfacts::kEngineDir);
}

}  // namespace storeutil
