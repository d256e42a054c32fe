#include "sqlitedb.h"

#include "moduleexport.h"

#include <cstring>

// --- CSQLiteLibrary -----------------------------------------------------------------------

CSQLiteLibrary::CSQLiteLibrary(const char* libraryPath)
{
    if (libraryPath)
        lstrcpynA(m_path, libraryPath, sizeof m_path);
}

CSQLiteLibrary::~CSQLiteLibrary()
{
    Unload();
}

std::string CSQLiteLibrary::PathFor(const char* directory)
{
    std::string path = directory ? directory : "";
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + "sqlite.dll";
}

int CSQLiteLibrary::Load()
{
    Unload();
    m_module = LoadLibraryA(m_path);
    if (!m_module)
        return 0;
    sqlite_open = ModuleExport<OpenFn>(m_module, "sqlite_open");
    sqlite_close = ModuleExport<CloseFn>(m_module, "sqlite_close");
    sqlite_ex_freemem = ModuleExport<FreeMemFn>(m_module, "sqlite_ex_freemem");
    sqlite_exec = ModuleExport<ExecFn>(m_module, "sqlite_exec");
    sqlite_get_table = ModuleExport<GetTableFn>(m_module, "sqlite_get_table");
    sqlite_exec_vprintf = ModuleExport<ExecVprintfFn>(m_module, "sqlite_exec_vprintf");
    sqlite_get_table_vprintf = ModuleExport<GetTableVprintfFn>(m_module, "sqlite_get_table_vprintf");
    sqlite_free_table = ModuleExport<FreeTableFn>(m_module, "sqlite_free_table");
    sqlite_busy_timeout = ModuleExport<BusyTimeoutFn>(m_module, "sqlite_busy_timeout");
    // A stock SQLite 2 build names its release function sqlite_freemem.
    if (!sqlite_ex_freemem)
        sqlite_ex_freemem = ModuleExport<FreeMemFn>(m_module, "sqlite_freemem");
    // The two printf forms are looked up but never called; the six others must be there.
    if (!sqlite_open || !sqlite_close || !sqlite_ex_freemem || !sqlite_exec ||
        !sqlite_get_table || !sqlite_free_table) {
        Unload();
        return 0;
    }
    return 1;
}

void CSQLiteLibrary::Unload()
{
    if (m_module) {
        FreeLibrary(m_module);
        m_module = nullptr;
    }
    ClearEntries();
}

void CSQLiteLibrary::ClearEntries()
{
    sqlite_open = nullptr;
    sqlite_close = nullptr;
    sqlite_ex_freemem = nullptr;
    sqlite_exec = nullptr;
    sqlite_get_table = nullptr;
    sqlite_exec_vprintf = nullptr;
    sqlite_get_table_vprintf = nullptr;
    sqlite_free_table = nullptr;
    sqlite_busy_timeout = nullptr;
}

// --- CSQLiteTable -------------------------------------------------------------------------

CSQLiteTable::CSQLiteTable(const char* libraryDir)
{
    m_library = new CSQLiteLibrary(CSQLiteLibrary::PathFor(libraryDir).c_str());
    m_library->Load();
}

CSQLiteTable::~CSQLiteTable()
{
    Release();
    delete m_library;
}

void CSQLiteTable::Release()
{
    if (m_cells && m_library && m_library->IsLoaded())
        m_library->sqlite_free_table(m_cells);
    m_cells = nullptr;
    m_rows = 0;
    m_columns = 0;
    m_cursor = 1;
}

int CSQLiteTable::ColumnIndex(const char* columnName) const
{
    if (!m_cells || !columnName)
        return -1;
    for (int i = 0; i < m_columns; ++i) {
        if (m_cells[i] && _stricmp(m_cells[i], columnName) == 0)
            return i;
    }
    return -1;
}

const char* CSQLiteTable::GetValue(const char* columnName) const
{
    if (m_rows <= 0 || m_cursor < 1 || m_cursor > m_rows)
        return nullptr;
    const int column = ColumnIndex(columnName);
    if (column < 0)
        return nullptr;
    return m_cells[static_cast<size_t>(m_cursor) * static_cast<size_t>(m_columns) +
                   static_cast<size_t>(column)];
}

bool CSQLiteTable::HasColumn(const char* columnName) const
{
    return ColumnIndex(columnName) >= 0;
}

const char* CSQLiteTable::GetColumnName(int index) const
{
    if (!m_cells || index < 0 || index >= m_columns)
        return nullptr;
    return m_cells[index];
}

bool CSQLiteTable::Next()
{
    ++m_cursor;
    return m_rows >= m_cursor;
}

// --- CSQLiteDatabase ----------------------------------------------------------------------

CSQLiteDatabase::~CSQLiteDatabase()
{
    Close();
}

bool CSQLiteDatabase::Open(const char* databaseFile, const char* libraryDir)
{
    Close();
    m_openError.clear();
    m_library = new CSQLiteLibrary(CSQLiteLibrary::PathFor(libraryDir).c_str());
    if (!m_library->Load())
        return false;
    char* error = nullptr;
    m_db = m_library->sqlite_open(databaseFile ? databaseFile : "", 0, &error);
    m_openError = m_db ? std::string() : error ? std::string(error) : std::string("no handle");
    FreeError(error);
    if (m_db) {
        // Another program (the dictionary) may hold the file for a moment: wait for it
        // rather than lose the statement.
        if (m_library->sqlite_busy_timeout)
            m_library->sqlite_busy_timeout(m_db, kBusyTimeoutMs);
        Execute("PRAGMA empty_result_callbacks = on");
    }
    return m_db != nullptr;
}

bool CSQLiteDatabase::Execute(const char* sql)
{
    if (!m_db || !sql)
        return false;
    char* error = nullptr;
    const int rc = m_library->sqlite_exec(m_db, sql, nullptr, nullptr, &error);
    FreeError(error);
    return rc == 0;
}

bool CSQLiteDatabase::Query(const char* sql, CSQLiteTable& table)
{
    table.Release();
    if (!m_db || !sql)
        return false;
    char** cells = nullptr;
    int rows = 0;
    int columns = 0;
    char* error = nullptr;
    const int rc = m_library->sqlite_get_table(m_db, sql, &cells, &rows, &columns, &error);
    FreeError(error);
    if (!table.m_library || !table.m_library->IsLoaded()) {
        // A table without its own engine copy could never free the cells: it holds none.
        if (cells)
            m_library->sqlite_free_table(cells);
        return false;
    }
    if (rc != 0) {
        if (cells)
            m_library->sqlite_free_table(cells);
        return false;
    }
    table.m_cells = cells;
    table.m_rows = rows;
    table.m_columns = columns;
    table.m_cursor = 1;
    return true;
}

void CSQLiteDatabase::Close()
{
    if (m_db) {
        m_library->sqlite_close(m_db);
        m_db = nullptr;
    }
    delete m_library;
    m_library = nullptr;
}

void CSQLiteDatabase::FreeError(char* error)
{
    if (error && m_library && m_library->sqlite_ex_freemem)
        m_library->sqlite_ex_freemem(error);
}

std::string SqlQuote(const std::string& value)
{
    std::string out;
    out.reserve(value.size() + 4);
    for (char c : value) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}
