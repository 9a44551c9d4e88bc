#pragma once
// Inside the registry library: the process's one connection to the store,
// prepared statements, and how a registry call runs as one change.
#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/registry/registry.h"

namespace registry::detail {

// An SQLite failure inside a call; change() turns it into the call's result.
struct SqlFailure {
  int code;
};

struct Store {
  sqlite3* db = nullptr;
  std::int64_t currentUser = 0;  // key ids of the two hives
  std::int64_t localMachine = 0;
  std::map<const char*, sqlite3_stmt*> statements;  // by the SQL literal's address
};

// Every use of the store and of the handle table holds this lock.
std::recursive_mutex& storeMutex();

// Bumped whenever the store is closed or replaced; handles remember it.
unsigned storeGeneration();

// A cached statement, reset when the query ends. SQL must be a literal.
class Query {
 public:
  Query(Store& store, const char* sql);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& bind(int index, std::int64_t value);
  Query& bindText(int index, std::string_view text);
  Query& bindBlob(int index, const void* data, std::size_t size);
  // True for a row, false when done; throws SqlFailure.
  bool step();
  std::int64_t integer(int column) const;
  std::string text(int column) const;
  std::string_view blob(int column) const;

 private:
  sqlite3_stmt* stmt_;  // the store's own, kept prepared
};

// Runs work against the open store as one change: a savepoint inside an open
// Transaction, else a transaction of its own (a writer takes the write lock
// first). Work returning anything but ERROR_SUCCESS undoes its changes.
LONG change(bool write, const std::function<LONG(Store&)>& work);

// The outermost Transaction's begin and end.
LONG beginTransaction();
LONG endTransaction(bool commit);

// The winerror code for an SQLite result; damage is noted for storeError().
LONG resultCode(int sqliteCode);

}  // namespace registry::detail
