/*
** The SQLite 2 C interface as offered by sqlite.dll: the subset the local database binding
** and the tests use, declared as SQLite 2's public sqlite.h declared it (cdecl, narrow text in
** the system code page). Behind it runs the SQLite 3 engine; every value is handed out as text.
*/
#ifndef LX_SQLITE2_H
#define LX_SQLITE2_H

#include <stdarg.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct sqlite sqlite;

/* Row callback of sqlite_exec: argument, column count, values (null pointer for SQL NULL;
** the whole array is null for the one call of an empty result when
** "PRAGMA empty_result_callbacks = on"), column names. Non-zero aborts the statement. */
typedef int (*sqlite_callback)(void*, int, char**, char**);

/* Result codes (SQLite 2 numbering). */
#define SQLITE_OK          0
#define SQLITE_ERROR       1
#define SQLITE_INTERNAL    2
#define SQLITE_PERM        3
#define SQLITE_ABORT       4
#define SQLITE_BUSY        5
#define SQLITE_LOCKED      6
#define SQLITE_NOMEM       7
#define SQLITE_READONLY    8
#define SQLITE_INTERRUPT   9
#define SQLITE_IOERR      10
#define SQLITE_CORRUPT    11
#define SQLITE_NOTFOUND   12
#define SQLITE_FULL       13
#define SQLITE_CANTOPEN   14
#define SQLITE_PROTOCOL   15
#define SQLITE_EMPTY      16
#define SQLITE_SCHEMA     17
#define SQLITE_TOOBIG     18
#define SQLITE_CONSTRAINT 19
#define SQLITE_MISMATCH   20
#define SQLITE_MISUSE     21
#define SQLITE_NOLFS      22
#define SQLITE_AUTH       23
#define SQLITE_FORMAT     24
#define SQLITE_RANGE      25
#define SQLITE_NOTADB     26

sqlite* __cdecl sqlite_open(const char* filename, int mode, char** errmsg);
void __cdecl sqlite_close(sqlite* db);
int __cdecl sqlite_exec(sqlite* db, const char* sql, sqlite_callback callback, void* arg,
                        char** errmsg);
int __cdecl sqlite_get_table(sqlite* db, const char* sql, char*** result, int* nrow,
                             int* ncolumn, char** errmsg);
void __cdecl sqlite_free_table(char** result);
int __cdecl sqlite_exec_vprintf(sqlite* db, const char* sqlFormat, sqlite_callback callback,
                                void* arg, char** errmsg, va_list ap);
int __cdecl sqlite_get_table_vprintf(sqlite* db, const char* sqlFormat, char*** result,
                                     int* nrow, int* ncolumn, char** errmsg, va_list ap);
void __cdecl sqlite_freemem(void* p);
/* Same as sqlite_freemem: releases texts the engine allocated (error texts). */
void __cdecl sqlite_ex_freemem(void* p);
void __cdecl sqlite_busy_timeout(sqlite* db, int ms);
int __cdecl sqlite_changes(sqlite* db);
const char* __cdecl sqlite_libversion(void);

#ifdef __cplusplus
}
#endif

#endif
