/*
** sqlite.dll: the SQLite 2 C interface over the SQLite 3 engine compiled into the same
** library. The file on disk is an SQLite 3 database; callers see SQLite 2's behaviour: every
** value as text, the column-name row first in sqlite_get_table, SQL NULL as a null pointer,
** texts in the system code page, error texts released with sqlite_freemem/sqlite_ex_freemem.
*/
#include <windows.h>

#include <stdlib.h>

#include "sqlite3.h"
#include "sqlite2.h"

/* SQLite 3 answers with the same primary codes as SQLite 2 for everything SQLite 2 knew;
** newer ones (and extended codes, should they ever be switched on) become SQLITE_ERROR. */
static int Code2(int rc)
{
    rc &= 0xff;
    return rc > SQLITE_NOTADB ? SQLITE_ERROR : rc;
}

/* System code page -> UTF-8 for file names; null on failure. Caller frees with free(). */
static char* AnsiToUtf8(const char* text)
{
    int wn = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (wn <= 0)
        return NULL;
    wchar_t* w = (wchar_t*)malloc(sizeof(wchar_t) * (size_t)wn);
    if (!w)
        return NULL;
    MultiByteToWideChar(CP_ACP, 0, text, -1, w, wn);
    int un = WideCharToMultiByte(CP_UTF8, 0, w, -1, NULL, 0, NULL, NULL);
    char* u = un > 0 ? (char*)malloc((size_t)un) : NULL;
    if (u)
        WideCharToMultiByte(CP_UTF8, 0, w, -1, u, un, NULL, NULL);
    free(w);
    return u;
}

static void SetError(char** errmsg, const char* text)
{
    if (errmsg)
        *errmsg = sqlite3_mprintf("%s", text ? text : "unknown error");
}

sqlite* __cdecl sqlite_open(const char* filename, int mode, char** errmsg)
{
    (void)mode; /* SQLite 2 ignored it too */
    if (errmsg)
        *errmsg = NULL;
    if (!filename) {
        SetError(errmsg, "no database file name");
        return NULL;
    }
    char* name = AnsiToUtf8(filename);
    if (!name) {
        SetError(errmsg, "database file name cannot be converted");
        return NULL;
    }
    sqlite3* db = NULL;
    int rc = sqlite3_open_v2(name, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, NULL);
    free(name);
    /* SQLite 2 read the schema while opening: a file that is not a database failed here.
    ** A file another connection is writing at this moment is a database all the same; the
    ** caller's next statement meets the lock (and its busy timeout, if it set one). */
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", NULL, NULL, NULL);
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
            rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) {
        SetError(errmsg, db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return NULL;
    }
    return (sqlite*)db;
}

void __cdecl sqlite_close(sqlite* db)
{
    if (db)
        sqlite3_close_v2((sqlite3*)db);
}

int __cdecl sqlite_exec(sqlite* db, const char* sql, sqlite_callback callback, void* arg,
                        char** errmsg)
{
    if (errmsg)
        *errmsg = NULL;
    if (!db || !sql) {
        SetError(errmsg, "library routine called out of sequence");
        return SQLITE_MISUSE;
    }
    return Code2(sqlite3_exec((sqlite3*)db, sql, callback, arg, errmsg));
}

int __cdecl sqlite_get_table(sqlite* db, const char* sql, char*** result, int* nrow,
                             int* ncolumn, char** errmsg)
{
    if (errmsg)
        *errmsg = NULL;
    if (result)
        *result = NULL;
    if (nrow)
        *nrow = 0;
    if (ncolumn)
        *ncolumn = 0;
    if (!db || !sql || !result) {
        SetError(errmsg, "library routine called out of sequence");
        return SQLITE_MISUSE;
    }
    return Code2(sqlite3_get_table((sqlite3*)db, sql, result, nrow, ncolumn, errmsg));
}

void __cdecl sqlite_free_table(char** result)
{
    sqlite3_free_table(result);
}

int __cdecl sqlite_exec_vprintf(sqlite* db, const char* sqlFormat, sqlite_callback callback,
                                void* arg, char** errmsg, va_list ap)
{
    if (errmsg)
        *errmsg = NULL;
    if (!sqlFormat)
        return sqlite_exec(db, NULL, callback, arg, errmsg);
    char* sql = sqlite3_vmprintf(sqlFormat, ap);
    if (!sql) {
        SetError(errmsg, "out of memory");
        return SQLITE_NOMEM;
    }
    int rc = sqlite_exec(db, sql, callback, arg, errmsg);
    sqlite3_free(sql);
    return rc;
}

int __cdecl sqlite_get_table_vprintf(sqlite* db, const char* sqlFormat, char*** result,
                                     int* nrow, int* ncolumn, char** errmsg, va_list ap)
{
    if (errmsg)
        *errmsg = NULL;
    if (!sqlFormat)
        return sqlite_get_table(db, NULL, result, nrow, ncolumn, errmsg);
    char* sql = sqlite3_vmprintf(sqlFormat, ap);
    if (!sql) {
        if (result)
            *result = NULL;
        SetError(errmsg, "out of memory");
        return SQLITE_NOMEM;
    }
    int rc = sqlite_get_table(db, sql, result, nrow, ncolumn, errmsg);
    sqlite3_free(sql);
    return rc;
}

void __cdecl sqlite_freemem(void* p)
{
    sqlite3_free(p);
}

void __cdecl sqlite_ex_freemem(void* p)
{
    sqlite3_free(p);
}

void __cdecl sqlite_busy_timeout(sqlite* db, int ms)
{
    if (db)
        sqlite3_busy_timeout((sqlite3*)db, ms);
}

int __cdecl sqlite_changes(sqlite* db)
{
    return db ? sqlite3_changes((sqlite3*)db) : 0;
}

const char* __cdecl sqlite_libversion(void)
{
    return sqlite3_libversion();
}
