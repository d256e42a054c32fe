// Binding to the database engine "sqlite.dll" (SQLite 2 interface), loaded at run time.
//
// Every connection and every result table loads its own copy of the engine library (the
// system counts the loads), so a table may outlive the connection that filled it. Nothing is
// kept open between operations: callers open, run their statements and close.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

struct sqlite;

// One loaded copy of the engine library and its entry points.
class CSQLiteLibrary {
public:
    using OpenFn = sqlite*(__cdecl*)(const char*, int, char**);
    using CloseFn = void(__cdecl*)(sqlite*);
    using FreeMemFn = void(__cdecl*)(void*);
    using CallbackFn = int (*)(void*, int, char**, char**);
    using ExecFn = int(__cdecl*)(sqlite*, const char*, CallbackFn, void*, char**);
    using GetTableFn = int(__cdecl*)(sqlite*, const char*, char***, int*, int*, char**);
    using ExecVprintfFn = int(__cdecl*)(sqlite*, const char*, CallbackFn, void*, char**,
                                        va_list);
    using GetTableVprintfFn = int(__cdecl*)(sqlite*, const char*, char***, int*, int*, char**,
                                            va_list);
    using FreeTableFn = void(__cdecl*)(char**);
    using BusyTimeoutFn = void(__cdecl*)(sqlite*, int);

    // libraryPath: full file name of the engine library; nothing is loaded yet.
    explicit CSQLiteLibrary(const char* libraryPath);
    ~CSQLiteLibrary();
    CSQLiteLibrary(const CSQLiteLibrary&) = delete;
    CSQLiteLibrary& operator=(const CSQLiteLibrary&) = delete;

    // 1 when the library loaded and offers every entry point the binding calls, else 0 (a
    // library lacking one is released again rather than called through a null pointer).
    int Load();
    void Unload();
    bool IsLoaded() const { return m_module != nullptr; }
    const char* Path() const { return m_path; }

    // "<directory>" + "\" (unless it already ends in one) + "sqlite.dll".
    static std::string PathFor(const char* directory);

    OpenFn sqlite_open = nullptr;
    CloseFn sqlite_close = nullptr;
    FreeMemFn sqlite_ex_freemem = nullptr;  // sqlite_freemem where the engine names it so
    ExecFn sqlite_exec = nullptr;
    GetTableFn sqlite_get_table = nullptr;
    ExecVprintfFn sqlite_exec_vprintf = nullptr;
    GetTableVprintfFn sqlite_get_table_vprintf = nullptr;
    FreeTableFn sqlite_free_table = nullptr;
    // Optional: an engine without it simply does not wait for another process's lock.
    BusyTimeoutFn sqlite_busy_timeout = nullptr;

private:
    void ClearEntries();

    char m_path[260] = {};
    HMODULE m_module = nullptr;
};

class CSQLiteDatabase;

// The complete result of one query, held in memory and read on a 1-based row cursor.
class CSQLiteTable {
public:
    // Loads this table's own copy of the engine library from libraryDir at once.
    explicit CSQLiteTable(const char* libraryDir);
    ~CSQLiteTable();
    CSQLiteTable(const CSQLiteTable&) = delete;
    CSQLiteTable& operator=(const CSQLiteTable&) = delete;

    // Cell of the current row in the named column (name compared without regard to case);
    // null when there are no rows, no such column, or the cell is SQL NULL.
    const char* GetValue(const char* columnName) const;
    // Whether the result has a column of that name (also for a result without rows, when
    // the engine reported the names).
    bool HasColumn(const char* columnName) const;
    // Name of column index (0-based), null when out of range.
    const char* GetColumnName(int index) const;

    void First() { m_cursor = 1; }
    // Advances the cursor; true while it still names a row.
    bool Next();
    bool AtEnd() const { return m_rows < m_cursor; }
    int GetRowCount() const { return m_rows; }
    int GetColumnCount() const { return m_columns; }

private:
    friend class CSQLiteDatabase;
    int ColumnIndex(const char* columnName) const;
    void Release();

    int m_rows = 0;
    int m_columns = 0;
    int m_cursor = 1;
    char** m_cells = nullptr;
    CSQLiteLibrary* m_library = nullptr;
};

// One connection to a database file.
class CSQLiteDatabase {
public:
    CSQLiteDatabase() = default;
    ~CSQLiteDatabase();
    CSQLiteDatabase(const CSQLiteDatabase&) = delete;
    CSQLiteDatabase& operator=(const CSQLiteDatabase&) = delete;

    // Closes whatever was open, loads the engine from libraryDir and opens (creating) the
    // file; the folder must exist. True when the engine gave a handle.
    bool Open(const char* databaseFile, const char* libraryDir);
    // True when the engine returned 0.
    bool Execute(const char* sql);
    bool Execute(const std::string& sql) { return Execute(sql.c_str()); }
    // Runs a query into table (cursor on the first row); true when the engine returned 0.
    bool Query(const char* sql, CSQLiteTable& table);
    bool Query(const std::string& sql, CSQLiteTable& table) { return Query(sql.c_str(), table); }
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    // The engine's text of why the last open found the library but got no handle (a file
    // that is not a database of this engine); empty otherwise.
    const std::string& OpenError() const { return m_openError; }

    // How long a statement waits for another connection's lock before it gives up.
    static constexpr int kBusyTimeoutMs = 5000;

private:
    void FreeError(char* error);

    sqlite* m_db = nullptr;
    CSQLiteLibrary* m_library = nullptr;
    std::string m_openError;
};

// Text of a value placed between single quotes in an SQL text: every quote doubled.
std::string SqlQuote(const std::string& value);
