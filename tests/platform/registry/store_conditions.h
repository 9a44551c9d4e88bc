#pragma once
// Puts the process's store into states a test cannot otherwise reach
// without root: a full disk, a read-only file, a lock held by another
// program (with a short wait instead of the store's 15 seconds).
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "platform/registry/store.h"
#include "platform/registry/store_connection.h"

namespace registry::testing {

// Runs a pragma on the store's own connection, opening the store first.
inline bool storePragma(const std::string& pragma) {
  return detail::change(false, [&](detail::Store& s) {
           return sqlite3_exec(s.db, pragma.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK ? ERROR_SUCCESS
                                                                                              : ERROR_INVALID_PARAMETER;
         }) == ERROR_SUCCESS;
}

// The store cannot grow by a page: SQLite answers SQLITE_FULL, as on a full disk.
inline bool fillStore() {
  sqlite3_int64 pages = 0;
  const LONG r = detail::change(false, [&](detail::Store& s) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(s.db, "PRAGMA page_count", -1, &stmt, nullptr) != SQLITE_OK) return ERROR_INVALID_PARAMETER;
    if (sqlite3_step(stmt) == SQLITE_ROW) pages = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return ERROR_SUCCESS;
  });
  return r == ERROR_SUCCESS && pages > 0 && storePragma("PRAGMA max_page_count = " + std::to_string(pages));
}

// Another program's write lock on the store for as long as it lives.
class ForeignLock {
 public:
  explicit ForeignLock(const std::filesystem::path& file) {
    storePragma("PRAGMA busy_timeout = 20");
    sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    held_ = db_ && sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~ForeignLock() {
    if (held_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
  }
  ForeignLock(const ForeignLock&) = delete;
  ForeignLock& operator=(const ForeignLock&) = delete;
  bool held() const { return held_; }

 private:
  sqlite3* db_ = nullptr;
  bool held_ = false;
};

}  // namespace registry::testing
