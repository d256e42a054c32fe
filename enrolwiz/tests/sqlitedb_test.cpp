// The database binding against the real engine: the library path rule, the 1-based cursor,
// column lookup, empty and failed results, and a table that outlives its connection.
#include "sqlitedb.h"
#include "storetest.h"

#include <gtest/gtest.h>

using storetest::ScratchTest;

class SqliteBindingTest : public ScratchTest {};

TEST(SQLiteLibrary, PathRuleAndMissingExports)
{
    EXPECT_EQ(CSQLiteLibrary::PathFor("./"), "./\\sqlite.dll");
    EXPECT_EQ(CSQLiteLibrary::PathFor("C:\\Program Files\\Lexipop\\"),
              "C:\\Program Files\\Lexipop\\sqlite.dll");
    EXPECT_EQ(CSQLiteLibrary::PathFor("C:\\x"), "C:\\x\\sqlite.dll");
    EXPECT_EQ(CSQLiteLibrary::PathFor(""), "\\sqlite.dll");

    CSQLiteLibrary engine((lxtest::StageDir() + "\\sqlite.dll").c_str());
    EXPECT_FALSE(engine.IsLoaded());
    ASSERT_EQ(engine.Load(), 1);
    EXPECT_TRUE(engine.sqlite_open && engine.sqlite_close && engine.sqlite_ex_freemem &&
                engine.sqlite_exec && engine.sqlite_get_table && engine.sqlite_free_table &&
                engine.sqlite_exec_vprintf && engine.sqlite_get_table_vprintf);
    engine.Unload();
    EXPECT_FALSE(engine.IsLoaded());
    EXPECT_EQ(engine.sqlite_open, nullptr);

    // A library that loads but is not the engine (a resource-only module): refused.
    CSQLiteLibrary impostor((lxtest::StageDir() + "\\resen.dll").c_str());
    EXPECT_EQ(impostor.Load(), 0);
    EXPECT_FALSE(impostor.IsLoaded());
    CSQLiteLibrary missing((lxtest::StageDir() + "\\nothing-here.dll").c_str());
    EXPECT_EQ(missing.Load(), 0);
}

TEST_F(SqliteBindingTest, EngineComesFromTheCurrentFolder)
{
    CreateDirectoryA("data\\admin", nullptr);
    CSQLiteDatabase db;
    ASSERT_TRUE(db.Open("./data/admin/system.pwl", "./"));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_TRUE(lxtest::FileExists("data\\admin\\system.pwl"));
    db.Close();
    EXPECT_FALSE(db.IsOpen());

    // The folder of the database must exist; the engine does not make it.
    EXPECT_FALSE(db.Open("./nofolder/x.pwl", "./"));
    EXPECT_FALSE(db.Execute("Create Table X(a)"));
    db.Close();  // a failed open keeps its engine copy until closed

    // Only the current folder counts: the staged engine elsewhere is not used.
    RemoveEngine();
    EXPECT_FALSE(db.Open("./data/admin/system.pwl", "./"));
    CSQLiteTable orphan("./");
    EXPECT_FALSE(db.Query("Select 1", orphan));
    EXPECT_EQ(orphan.GetRowCount(), 0);

    // A file named sqlite.dll that is not the engine: the open fails, nothing is called.
    ASSERT_TRUE(CopyFileA((lxtest::StageDir() + "\\resen.dll").c_str(), "sqlite.dll", FALSE));
    EXPECT_FALSE(db.Open("./data/admin/system.pwl", "./"));
}

// A stock SQLite 2 build names its release function sqlite_freemem: the binding takes it for
// sqlite_ex_freemem and works as with the usual engine.
TEST_F(SqliteBindingTest, StockEngineWithoutExFreemem)
{
    const std::string stock = lxtest::BuildDir() + "\\testengines\\stock\\sqlite.dll";
    ASSERT_TRUE(CopyFileA(stock.c_str(), "sqlite.dll", FALSE));
    CSQLiteLibrary engine((m_dir + "\\sqlite.dll").c_str());
    ASSERT_EQ(engine.Load(), 1);
    const HMODULE module = GetModuleHandleA((m_dir + "\\sqlite.dll").c_str());
    ASSERT_EQ(GetProcAddress(module, "sqlite_ex_freemem"), nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(engine.sqlite_ex_freemem),
              reinterpret_cast<void*>(GetProcAddress(module, "sqlite_freemem")));

    CreateDirectoryA("data\\admin", nullptr);
    CSQLiteDatabase db;
    ASSERT_TRUE(db.Open("./data/admin/system.pwl", "./"));
    EXPECT_FALSE(db.Execute("this is not SQL"));  // its error text is released
    ASSERT_TRUE(db.Execute("Create Table T(a)"));
    ASSERT_TRUE(db.Execute("Insert Into T(a) values('kept')"));
    CSQLiteTable t("./");
    ASSERT_TRUE(db.Query("Select * From T", t));
    EXPECT_STREQ(t.GetValue("a"), "kept");
}

TEST_F(SqliteBindingTest, TableCursorColumnsAndNulls)
{
    CreateDirectoryA("data\\admin", nullptr);
    CSQLiteDatabase db;
    ASSERT_TRUE(db.Open("./data/admin/system.pwl", "./"));
    ASSERT_TRUE(db.Execute("Create Table LexiUsers(UserName varchar(20), UserPass varchar(20), "
                           "LogTime varchar(16))"));

    // An empty table: no rows, every lookup null although the pragma reports the names.
    CSQLiteTable empty("./");
    ASSERT_TRUE(db.Query("Select * From LexiUsers", empty));
    EXPECT_EQ(empty.GetRowCount(), 0);
    EXPECT_EQ(empty.GetValue("UserName"), nullptr);
    EXPECT_TRUE(empty.HasColumn("username"));
    EXPECT_TRUE(empty.AtEnd());

    ASSERT_TRUE(db.Execute("Insert Into LexiUsers(UserName, UserPass, LogTime) "
                           "values('a@x.com', 'cA==', '20240101120000')"));
    ASSERT_TRUE(db.Execute("Insert Into LexiUsers(UserName, UserPass) values('b@x.com', 'cQ==')"));
    ASSERT_TRUE(db.Execute("Insert Into LexiUsers(UserName, UserPass, LogTime) "
                           "values('c@x.com', '', 7)"));

    auto* table = new CSQLiteTable("./");
    ASSERT_TRUE(db.Query("Select * From LexiUsers", *table));
    // The table keeps its own engine copy: it outlives the connection.
    db.Close();
    EXPECT_EQ(table->GetRowCount(), 3);
    EXPECT_EQ(table->GetColumnCount(), 3);
    EXPECT_STREQ(table->GetColumnName(2), "LogTime");
    EXPECT_EQ(table->GetColumnName(3), nullptr);
    EXPECT_STREQ(table->GetValue("username"), "a@x.com");
    EXPECT_STREQ(table->GetValue("USERPASS"), "cA==");
    EXPECT_EQ(table->GetValue("NoSuchColumn"), nullptr);
    EXPECT_TRUE(table->Next());
    EXPECT_STREQ(table->GetValue("UserName"), "b@x.com");
    EXPECT_EQ(table->GetValue("LogTime"), nullptr);  // SQL NULL
    EXPECT_TRUE(table->Next());
    EXPECT_STREQ(table->GetValue("LogTime"), "7");   // every value as text
    EXPECT_STREQ(table->GetValue("UserPass"), "");
    EXPECT_FALSE(table->AtEnd());
    EXPECT_FALSE(table->Next());
    EXPECT_TRUE(table->AtEnd());
    EXPECT_EQ(table->GetValue("UserName"), nullptr);
    table->First();
    EXPECT_STREQ(table->GetValue("UserName"), "a@x.com");
    delete table;  // frees the cells through its own engine copy

    // A failing query leaves the table empty and raises nothing.
    ASSERT_TRUE(db.Open("./data/admin/system.pwl", "./"));
    CSQLiteTable failed("./");
    EXPECT_FALSE(db.Query("Select * From NoSuchTable", failed));
    EXPECT_EQ(failed.GetRowCount(), 0);
    EXPECT_EQ(failed.GetValue("UserName"), nullptr);
    EXPECT_FALSE(db.Execute("this is not SQL"));

    // Quotes doubled by SqlQuote survive the round trip.
    const std::string odd = "O'Neil's ''dictionary''";
    EXPECT_EQ(SqlQuote("a'b"), "a''b");
    ASSERT_TRUE(db.Execute("Insert Into LexiUsers(UserName) values('" + SqlQuote(odd) + "')"));
    CSQLiteTable back("./");
    ASSERT_TRUE(db.Query("Select * From LexiUsers where UserName='" + SqlQuote(odd) + "'", back));
    ASSERT_EQ(back.GetRowCount(), 1);
    EXPECT_EQ(std::string(back.GetValue("UserName")), odd);
}
