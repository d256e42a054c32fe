// The engine stand-in seen through its SQLite 2 interface, called directly as a caller of
// sqlite.dll would: values as text, column names first, NULL cells, empty results, errors.
#include "lxtest.h"
#include "sqlite2.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

namespace {

struct Engine {
    HMODULE dll = nullptr;
    decltype(&sqlite_open) open = nullptr;
    decltype(&sqlite_close) close = nullptr;
    decltype(&sqlite_exec) exec = nullptr;
    decltype(&sqlite_get_table) getTable = nullptr;
    decltype(&sqlite_free_table) freeTable = nullptr;
    decltype(&sqlite_exec_vprintf) execV = nullptr;
    decltype(&sqlite_get_table_vprintf) getTableV = nullptr;
    decltype(&sqlite_ex_freemem) exFree = nullptr;

    Engine()
    {
        dll = LoadLibraryA((lxtest::StageDir() + "\\sqlite.dll").c_str());
        if (!dll)
            return;
        Get(open, "sqlite_open");
        Get(close, "sqlite_close");
        Get(exec, "sqlite_exec");
        Get(getTable, "sqlite_get_table");
        Get(freeTable, "sqlite_free_table");
        Get(execV, "sqlite_exec_vprintf");
        Get(getTableV, "sqlite_get_table_vprintf");
        Get(exFree, "sqlite_ex_freemem");
    }
    ~Engine()
    {
        if (dll)
            FreeLibrary(dll);
    }
    template <class F>
    void Get(F& f, const char* name)
    {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    }
    bool Complete() const
    {
        return open && close && exec && getTable && freeTable && execV && getTableV && exFree;
    }

    // Runs a statement; returns the engine's code and releases any error text.
    int Run(sqlite* db, const std::string& sql, std::string* error = nullptr)
    {
        char* err = nullptr;
        const int rc = exec(db, sql.c_str(), nullptr, nullptr, &err);
        if (err) {
            if (error)
                *error = err;
            exFree(err);
        }
        return rc;
    }

    int ExecPrintf(sqlite* db, const char* format, ...)
    {
        va_list ap;
        va_start(ap, format);
        char* err = nullptr;
        const int rc = execV(db, format, nullptr, nullptr, &err, ap);
        va_end(ap);
        if (err)
            exFree(err);
        return rc;
    }

    int TablePrintf(sqlite* db, char*** cells, int* rows, int* cols, const char* format, ...)
    {
        va_list ap;
        va_start(ap, format);
        char* err = nullptr;
        const int rc = getTableV(db, format, cells, rows, cols, &err, ap);
        va_end(ap);
        if (err)
            exFree(err);
        return rc;
    }
};

// Cells of one get_table result as strings ("<null>" for a null pointer).
std::vector<std::string> Cells(char** cells, int rows, int cols)
{
    std::vector<std::string> out;
    for (int i = 0; i < (rows + 1) * cols; ++i)
        out.push_back(cells[i] ? cells[i] : "<null>");
    return out;
}

using V = std::vector<std::string>;

struct Collected {
    int calls = 0;
    int nullRows = 0;
    std::vector<std::string> names;
    std::vector<std::string> values;
};

int Collect(void* arg, int n, char** values, char** names)
{
    auto* c = static_cast<Collected*>(arg);
    ++c->calls;
    c->names.assign(names, names + n);
    if (!values) {
        ++c->nullRows;
        return 0;
    }
    for (int i = 0; i < n; ++i)
        c->values.push_back(values[i] ? values[i] : "<null>");
    return 0;
}

int StopAtFirst(void*, int, char**, char**) { return 1; }

}  // namespace

TEST(Sqlite2Engine, ValuesAsTextColumnNamesFirstAndNullCells)
{
    Engine e;
    ASSERT_TRUE(e.Complete());
    const std::string dir = lxtest::FreshDir("sqlite2_values");
    const std::string file = dir + "\\t.db";
    char* err = nullptr;
    sqlite* db = e.open(file.c_str(), 0, &err);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(err, nullptr);
    EXPECT_TRUE(lxtest::FileExists(file));

    EXPECT_EQ(e.Run(db, "Create Table T(a varchar(5), b varchar(5), c)"), SQLITE_OK);
    EXPECT_EQ(e.Run(db, "Insert Into T(a, b, c) values('x', NULL, 5)"), SQLITE_OK);
    EXPECT_EQ(e.Run(db, "Insert Into T(a, b, c) values(7, 'it''s', 1.5)"), SQLITE_OK);

    char** cells = nullptr;
    int rows = -1, cols = -1;
    ASSERT_EQ(e.getTable(db, "Select * From T", &cells, &rows, &cols, &err), SQLITE_OK);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(cols, 3);
    EXPECT_EQ(Cells(cells, rows, cols), (V{"a", "b", "c", "x", "<null>", "5", "7", "it's", "1.5"}));
    EXPECT_EQ(cells[4], nullptr);
    e.freeTable(cells);

    // A statement list runs in order; the row callback gets text values and the names.
    Collected c;
    EXPECT_EQ(e.exec(db, "Select b From T; Select c From T where a='x'", Collect, &c, &err),
              SQLITE_OK);
    EXPECT_EQ(c.calls, 3);
    EXPECT_EQ(c.values, (V{"<null>", "it's", "5"}));
    EXPECT_EQ(c.names, (V{"c"}));

    EXPECT_EQ(e.exec(db, "Select * From T", StopAtFirst, nullptr, &err), SQLITE_ABORT);
    if (err)
        e.exFree(err);

    // Bytes above 0x7F in values are carried unchanged.
    const std::string high = "Stra\xDF" "e \xC4\xD6\xDC";
    EXPECT_EQ(e.Run(db, "Insert Into T(a) values('" + high + "')"), SQLITE_OK);
    ASSERT_EQ(e.getTable(db, "Select a From T where c is null", &cells, &rows, &cols, &err),
              SQLITE_OK);
    ASSERT_EQ(rows, 1);
    EXPECT_EQ(std::string(cells[1]), high);
    e.freeTable(cells);
    e.close(db);
}

TEST(Sqlite2Engine, EmptyResultsWithAndWithoutTheEmptyResultPragma)
{
    Engine e;
    ASSERT_TRUE(e.Complete());
    const std::string dir = lxtest::FreshDir("sqlite2_empty");
    sqlite* db = e.open((dir + "\\t.db").c_str(), 0, nullptr);
    ASSERT_NE(db, nullptr);
    ASSERT_EQ(e.Run(db, "Create Table T(UserName varchar(20), UserPass varchar(20))"), SQLITE_OK);

    char** cells = nullptr;
    int rows = -1, cols = -1;
    Collected c;
    ASSERT_EQ(e.getTable(db, "Select * From T", &cells, &rows, &cols, nullptr), SQLITE_OK);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(cols, 0);
    e.freeTable(cells);
    EXPECT_EQ(e.exec(db, "Select * From T", Collect, &c, nullptr), SQLITE_OK);
    EXPECT_EQ(c.calls, 0);

    EXPECT_EQ(e.Run(db, "PRAGMA empty_result_callbacks = on"), SQLITE_OK);
    ASSERT_EQ(e.getTable(db, "Select * From T", &cells, &rows, &cols, nullptr), SQLITE_OK);
    EXPECT_EQ(rows, 0);
    ASSERT_EQ(cols, 2);
    EXPECT_EQ(Cells(cells, rows, cols), (V{"UserName", "UserPass"}));
    e.freeTable(cells);
    EXPECT_EQ(e.exec(db, "Select * From T", Collect, &c, nullptr), SQLITE_OK);
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(c.nullRows, 1);
    EXPECT_EQ(c.names, (V{"UserName", "UserPass"}));
    e.close(db);
}

TEST(Sqlite2Engine, ErrorsAndFormattedStatements)
{
    Engine e;
    ASSERT_TRUE(e.Complete());
    const std::string dir = lxtest::FreshDir("sqlite2_errors");

    // No such folder; a file that is not a database: no handle, an error text to release.
    char* err = nullptr;
    EXPECT_EQ(e.open((dir + "\\missing\\t.db").c_str(), 0, &err), nullptr);
    ASSERT_NE(err, nullptr);
    e.exFree(err);
    ASSERT_TRUE(lxtest::WriteFileBytes(dir + "\\text.db", std::string(4096, 'x')));
    err = nullptr;
    EXPECT_EQ(e.open((dir + "\\text.db").c_str(), 0, &err), nullptr);
    ASSERT_NE(err, nullptr);
    e.exFree(err);

    // A file name in the system code page.
    const std::string odd = dir + "\\d\xE9j\xE0.db";
    sqlite* db = e.open(odd.c_str(), 0, nullptr);
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(lxtest::FileExists(odd));

    std::string text;
    EXPECT_EQ(e.Run(db, "Select * From Nowhere", &text), SQLITE_ERROR);
    EXPECT_NE(text.find("Nowhere"), std::string::npos);
    char** cells = reinterpret_cast<char**>(1);
    int rows = -1, cols = -1;
    err = nullptr;
    EXPECT_EQ(e.getTable(db, "Select * From Nowhere", &cells, &rows, &cols, &err), SQLITE_ERROR);
    EXPECT_EQ(cells, nullptr);
    EXPECT_EQ(rows, 0);
    ASSERT_NE(err, nullptr);
    e.exFree(err);

    // %q doubles quotes, %d formats numbers, as SQLite 2's printf did.
    ASSERT_EQ(e.Run(db, "Create Table T(a, b)"), SQLITE_OK);
    EXPECT_EQ(e.ExecPrintf(db, "Insert Into T values('%q', %d)", "O'Brien", -3), SQLITE_OK);
    ASSERT_EQ(e.TablePrintf(db, &cells, &rows, &cols, "Select b From T where a='%q'", "O'Brien"),
              SQLITE_OK);
    ASSERT_EQ(rows, 1);
    EXPECT_STREQ(cells[1], "-3");
    e.freeTable(cells);
    e.close(db);
}
