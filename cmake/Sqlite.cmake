# quill_sqlite: SQLite for reading IncrediMail's databases. Natively Debian's
# libsqlite3; the mingw builds compile the single-file source that
# scripts/fetch-sqlite.sh builds from Debian's source package.
set(QUILL_SQLITE_VERSION 3.40.1)
if(CMAKE_CROSSCOMPILING)
  set(QUILL_SQLITE_SOURCE ${CMAKE_SOURCE_DIR}/build/deps/sqlite-${QUILL_SQLITE_VERSION}
      CACHE PATH "Folder holding sqlite3.c and sqlite3.h")
  if(NOT EXISTS ${QUILL_SQLITE_SOURCE}/sqlite3.c OR NOT EXISTS ${QUILL_SQLITE_SOURCE}/sqlite3.h)
    message(FATAL_ERROR "SQLite's source is not in ${QUILL_SQLITE_SOURCE}: run scripts/install-deps.sh "
                        "(or scripts/fetch-sqlite.sh), or set QUILL_SQLITE_SOURCE")
  endif()
  enable_language(C)
  add_library(quill_sqlite STATIC ${QUILL_SQLITE_SOURCE}/sqlite3.c)
  # Only ever reads: no extensions, no shared cache, no deprecated calls.
  target_compile_definitions(quill_sqlite PRIVATE SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_SHARED_CACHE
                             SQLITE_OMIT_DEPRECATED SQLITE_DQS=0 SQLITE_DEFAULT_MEMSTATUS=0 SQLITE_THREADSAFE=1)
  # Foreign code: its warnings are not ours to fix.
  target_compile_options(quill_sqlite PRIVATE -w)
  target_include_directories(quill_sqlite SYSTEM PUBLIC ${QUILL_SQLITE_SOURCE})
else()
  find_package(SQLite3 REQUIRED)
  add_library(quill_sqlite INTERFACE)
  target_link_libraries(quill_sqlite INTERFACE SQLite::SQLite3)
endif()
