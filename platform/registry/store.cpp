// The settings store's SQLite connection: finding the file, opening it
// without ever writing to a file that is not ours, the schema, and changes
// as transactions.
#include "platform/registry/store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <thread>

#include "platform/registry/store_connection.h"

namespace registry {
namespace detail {
namespace {

constexpr int kApplicationId = 0x51565852;  // "QVXR"
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 15000;
// How long an empty file may still be on its way to becoming a store: the
// moment between a creator making the file and taking the write lock.
constexpr auto kCreationGrace = std::chrono::seconds(5);

struct State {
  std::recursive_mutex mutex;
  std::optional<std::filesystem::path> override;
  Store* store = nullptr;
  pid_t owner = 0;  // the process that opened `store`
  unsigned generation = 1;
  std::string error;
  std::string cause;  // the error's short form: "is damaged ...", after the file name
  std::set<std::string> reported;  // errors already written to stderr
  // The open Transaction: nesting depth, and why it can no longer commit.
  int depth = 0;
  LONG doomed = ERROR_SUCCESS;
};

State& state() {
  static State* s = new State;  // never destroyed: calls may come during static teardown
  return *s;
}

std::filesystem::path environmentPath() {
  if (const char* file = std::getenv("CARROWIND_REGISTRY"); file && *file) return file;
  std::filesystem::path base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* user = ::getpwuid(::getuid());
      home = user && user->pw_dir ? user->pw_dir : "/";
    }
    base = std::filesystem::path(home) / ".config";
  }
  return base / "quorvex" / "registry.db";
}

void closeStore(State& s) {
  if (s.store) {
    // A connection inherited from a parent process must not be touched: it
    // shares the parent's file locks. It is left to the exit.
    if (s.owner == ::getpid()) {
      for (auto& [sql, stmt] : s.store->statements) sqlite3_finalize(stmt);
      sqlite3_close_v2(s.store->db);
      delete s.store;
    }
    s.store = nullptr;
  }
  s.depth = 0;
  s.doomed = ERROR_SUCCESS;
  ++s.generation;
}

// Notes why the store cannot be used, once on stderr; `cause` is the short
// form that follows "the settings store FILE" in describeFailure().
void noteError(State& s, const std::string& message, const std::string& cause) {
  s.error = message;
  s.cause = cause;
  if (s.reported.insert(message).second) std::fprintf(stderr, "carrowind: %s\n", message.c_str());
}

LONG damaged(State& s, const std::filesystem::path& file, const std::string& why) {
  const std::string cause = "is damaged or is not a settings store (" + why + ")";
  noteError(s,
            "the settings store " + file.string() + " " + cause +
                "; it has been left as it is. Move it aside to start a new one, or restore a backup.",
            cause);
  return ERROR_BADDB;
}

LONG cannotOpen(State& s, const std::filesystem::path& file, const std::string& why) {
  noteError(s, "cannot open the settings store " + file.string() + ": " + why, "cannot be opened: " + why);
  return ERROR_CANTOPEN;
}

// An empty file is never a store: this program makes its store in a file it
// creates itself, so an empty one that nobody is filling is what is left of
// a store that was cut short (or of a first run that died). Settings it once
// held cannot be told from none, so the user decides.
LONG emptyFile(State& s, const std::filesystem::path& file) {
  noteError(s,
            "the settings store " + file.string() +
                " is empty (0 bytes) and no program is creating it; it has been left as it is. If you had "
                "settings, put a backup of the file in its place; otherwise delete it, and a new store is made "
                "on the next run.",
            "is empty (0 bytes)");
  return ERROR_BADDB;
}

// Size and age of the file; nullopt when it cannot be looked at.
struct FileState {
  off_t size;
  std::chrono::system_clock::time_point modified;
};
std::optional<FileState> fileState(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  const auto since = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
  return FileState{st.st_size, std::chrono::system_clock::time_point(
                                   std::chrono::duration_cast<std::chrono::system_clock::duration>(since))};
}

int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// One integer from a pragma or query; nullopt with *rc on failure.
std::optional<std::int64_t> single(sqlite3* db, const char* sql, int* rc) {
  sqlite3_stmt* stmt = nullptr;
  *rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  if (*rc != SQLITE_OK) return std::nullopt;
  std::optional<std::int64_t> value;
  *rc = sqlite3_step(stmt);
  if (*rc == SQLITE_ROW) {
    value = sqlite3_column_int64(stmt, 0);
    *rc = SQLITE_OK;
  } else if (*rc == SQLITE_DONE) {
    *rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  return value;
}

const char* const kSchema = R"(
CREATE TABLE key(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,      -- 0 for the two hives
  name TEXT NOT NULL,           -- as created
  fold TEXT NOT NULL,           -- case-folded, for lookups
  written INTEGER NOT NULL);    -- milliseconds since 1970
CREATE UNIQUE INDEX key_by_name ON key(parent, fold);
CREATE TABLE value(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL);
CREATE UNIQUE INDEX value_by_name ON value(key, fold);
INSERT INTO key(parent, name, fold, written) VALUES
  (0, 'HKEY_CURRENT_USER', 'hkey_current_user', 0),
  (0, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine', 0);
PRAGMA application_id = 1364613202;
PRAGMA user_version = 1;
)";

// Checks that db is a settings store, creating the schema in a file this
// process has just created (`created`).
LONG prepareSchema(State& s, sqlite3* db, const std::filesystem::path& file, bool created) {
  int rc = SQLITE_OK;
  // Reading the header is the first access: a file that is not a database
  // fails here, before anything could be written to it.
  auto appId = single(db, "PRAGMA application_id", &rc);
  if (rc != SQLITE_OK) {
    if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) return damaged(s, file, sqlite3_errmsg(db));
    cannotOpen(s, file, sqlite3_errmsg(db));
    return resultCode(rc);
  }
  const auto firstLook = std::chrono::system_clock::now();
  while (*appId == 0) {
    // Not marked as ours yet: a file this process has just created, or
    // another process is making it a store right now. Look again under the
    // write lock, header and tables together, so a schema committed between
    // two reads is never taken for someone else's database.
    if (rc = exec(db, "BEGIN IMMEDIATE"); rc != SQLITE_OK) {
      cannotOpen(s, file, sqlite3_errmsg(db));
      return resultCode(rc);
    }
    appId = single(db, "PRAGMA application_id", &rc);
    std::optional<std::int64_t> tables;
    if (rc == SQLITE_OK) tables = single(db, "SELECT count(*) FROM sqlite_master", &rc);
    if (rc == SQLITE_OK && *appId == 0 && *tables == 0 && !created) {
      const auto state = fileState(file);
      if (state && state->size == 0) {
        exec(db, "ROLLBACK");
        // Its creator may not have taken the lock yet: give it a moment.
        const auto now = std::chrono::system_clock::now();
        if (now - state->modified < kCreationGrace && now - firstLook < kCreationGrace) {
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          appId = single(db, "PRAGMA application_id", &rc);
          if (rc != SQLITE_OK) return resultCode(rc);
          continue;
        }
        return emptyFile(s, file);
      }
    }
    if (rc == SQLITE_OK && *appId == 0 && *tables == 0) rc = exec(db, kSchema);
    if (rc == SQLITE_OK) rc = exec(db, "COMMIT");
    if (rc != SQLITE_OK) {
      exec(db, "ROLLBACK");
      if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) return damaged(s, file, sqlite3_errmsg(db));
      noteError(s, "cannot create the settings store " + file.string() + ": " + sqlite3_errmsg(db),
                std::string("cannot be created: ") + sqlite3_errmsg(db));
      return resultCode(rc);
    }
    appId = single(db, "PRAGMA application_id", &rc);
    if (rc != SQLITE_OK) return resultCode(rc);
    break;
  }
  if (*appId != kApplicationId) return damaged(s, file, "it belongs to another program");
  auto version = single(db, "PRAGMA user_version", &rc);
  if (rc != SQLITE_OK) return damaged(s, file, sqlite3_errmsg(db));
  if (*version > kSchemaVersion) {
    noteError(s,
              "the settings store " + file.string() +
                  " was written by a newer version of Carrowind; it has been left as it is.",
              "was written by a newer version of Carrowind");
    return ERROR_BADDB;
  }
  // Small by nature, so a full check costs little and catches damage before
  // a write could spread it.
  sqlite3_stmt* check = nullptr;
  rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr);
  std::string verdict;
  if (rc == SQLITE_OK && sqlite3_step(check) == SQLITE_ROW) {
    verdict = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
  } else {
    verdict = sqlite3_errmsg(db);
  }
  sqlite3_finalize(check);
  if (verdict != "ok") return damaged(s, file, verdict);
  return ERROR_SUCCESS;
}

// Write-ahead logging lets readers go on while one process writes. The mode
// is kept in the file, so a switch that loses a race to another process that
// is opening the store can simply be tried again.
void useWriteAheadLog(sqlite3* db) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode = WAL", -1, &stmt, nullptr) != SQLITE_OK) return;
    bool wal = false;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      wal = mode && std::string_view(mode) == "wal";
    }
    sqlite3_finalize(stmt);
    if (wal) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

LONG open(State& s, LONG* code) {
  const auto file = s.override ? *s.override : environmentPath();
  std::error_code ec;
  if (!file.parent_path().empty() && !std::filesystem::exists(file.parent_path(), ec)) {
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) {
      noteError(s,
                "cannot create the folder of the settings store " + file.parent_path().string() + ": " +
                    ec.message(),
                "cannot be created: its folder cannot be made (" + ec.message() + ")");
      return *code = ERROR_CANTOPEN;
    }
    // Settings are the user's own: the folder is not for others to read.
    ::chmod(file.parent_path().c_str(), 0700);
  }
  // The store's file is made here rather than by SQLite, so that this
  // process knows it is the one to make it a store; an empty file found
  // otherwise is someone else's.
  bool created = false;
  if (int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644); fd >= 0) {
    created = true;
    ::close(fd);
  } else if (errno != EEXIST) {
    return *code = cannotOpen(s, file, std::strerror(errno));
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    cannotOpen(s, file, db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close_v2(db);
    return *code = (rc == SQLITE_NOMEM ? ERROR_OUTOFMEMORY : ERROR_CANTOPEN);
  }
  sqlite3_extended_result_codes(db, 0);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  if (LONG r = prepareSchema(s, db, file, created); r != ERROR_SUCCESS) {
    sqlite3_close_v2(db);
    // A file made here that never became a store is not left behind to be
    // mistaken for a damaged one (a full disk, say).
    if (const auto state = fileState(file); created && state && state->size == 0) ::unlink(file.c_str());
    return *code = r;
  }
  useWriteAheadLog(db);
  // A commit is on the disk before the call returns.
  exec(db, "PRAGMA synchronous = FULL");
  auto* store = new Store;
  store->db = db;
  int hiveRc = SQLITE_OK;
  store->currentUser = single(db, "SELECT id FROM key WHERE parent = 0 AND fold = 'hkey_current_user'", &hiveRc).value_or(0);
  store->localMachine = single(db, "SELECT id FROM key WHERE parent = 0 AND fold = 'hkey_local_machine'", &hiveRc).value_or(0);
  if (!store->currentUser || !store->localMachine) {
    sqlite3_close_v2(db);
    delete store;
    return *code = damaged(s, file, "its hives are missing");
  }
  s.store = store;
  s.owner = ::getpid();
  s.error.clear();
  s.cause.clear();
  return *code = ERROR_SUCCESS;
}

// The open store of this process, opening it when needed.
Store* current(State& s, LONG* code) {
  if (s.store && s.owner != ::getpid()) closeStore(s);  // forked: the child opens its own
  if (s.store) {
    *code = ERROR_SUCCESS;
    return s.store;
  }
  if (open(s, code) != ERROR_SUCCESS) return nullptr;
  return s.store;
}

}  // namespace

std::recursive_mutex& storeMutex() { return state().mutex; }

unsigned storeGeneration() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (s.store && s.owner != ::getpid()) closeStore(s);
  return s.generation;
}

LONG resultCode(int sqliteCode) {
  switch (sqliteCode & 0xff) {
    case SQLITE_OK: return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ERROR_BUSY;
    case SQLITE_NOMEM: return ERROR_OUTOFMEMORY;
    case SQLITE_FULL: return ERROR_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM: return ERROR_WRITE_PROTECT;
    case SQLITE_AUTH: return ERROR_ACCESS_DENIED;
    case SQLITE_CANTOPEN: return ERROR_CANTOPEN;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: {
      auto& s = state();
      damaged(s, s.override ? *s.override : environmentPath(), sqlite3_errstr(sqliteCode));
      return ERROR_BADDB;
    }
    case SQLITE_TOOBIG: return ERROR_INVALID_PARAMETER;
    default: return ERROR_REGISTRY_IO_FAILED;
  }
}

Query::Query(Store& store, const char* sql) : stmt_(nullptr) {
  auto it = store.statements.find(sql);
  if (it != store.statements.end()) {
    stmt_ = it->second;
    return;
  }
  int rc = sqlite3_prepare_v3(store.db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (rc != SQLITE_OK) throw SqlFailure{rc};
  store.statements.emplace(sql, stmt_);
}

Query::~Query() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

Query& Query::bind(int index, std::int64_t value) {
  if (int rc = sqlite3_bind_int64(stmt_, index, value); rc != SQLITE_OK) throw SqlFailure{rc};
  return *this;
}

Query& Query::bindText(int index, std::string_view text) {
  if (int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      rc != SQLITE_OK)
    throw SqlFailure{rc};
  return *this;
}

Query& Query::bindBlob(int index, const void* data, std::size_t size) {
  // A zero-length blob still has to be a blob, not NULL.
  static const char none = 0;
  if (int rc = sqlite3_bind_blob64(stmt_, index, size ? data : &none, size, SQLITE_TRANSIENT); rc != SQLITE_OK)
    throw SqlFailure{rc};
  return *this;
}

bool Query::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw SqlFailure{rc};
}

std::int64_t Query::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Query::text(int column) const {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

std::string_view Query::blob(int column) const {
  const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))) : std::string_view();
}

LONG change(bool write, const std::function<LONG(Store&)>& work) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (s.store && s.owner != ::getpid()) closeStore(s);
  if (s.depth > 0 && s.doomed != ERROR_SUCCESS) return s.doomed;
  LONG code = ERROR_SUCCESS;
  Store* store = current(s, &code);
  if (!store) return code;
  sqlite3* db = store->db;
  const bool nested = s.depth > 0;
  const char* begin = nested ? "SAVEPOINT call" : write ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED";
  if (int rc = exec(db, begin); rc != SQLITE_OK) return resultCode(rc);
  LONG result;
  try {
    result = work(*store);
  } catch (const SqlFailure& failure) {
    result = resultCode(failure.code);
  } catch (const std::bad_alloc&) {
    result = ERROR_OUTOFMEMORY;
  }
  if (nested) {
    if (result != ERROR_SUCCESS) exec(db, "ROLLBACK TO call");
    exec(db, "RELEASE call");
    return result;
  }
  if (result != ERROR_SUCCESS) {
    exec(db, "ROLLBACK");
    return result;
  }
  if (int rc = exec(db, "COMMIT"); rc != SQLITE_OK) {
    exec(db, "ROLLBACK");
    return resultCode(rc);
  }
  return ERROR_SUCCESS;
}

LONG beginTransaction() {
  auto& s = state();
  s.mutex.lock();  // held until the matching endTransaction
  if (s.store && s.owner != ::getpid()) closeStore(s);
  if (s.depth++ > 0) return s.doomed;
  s.doomed = ERROR_SUCCESS;
  LONG code = ERROR_SUCCESS;
  Store* store = current(s, &code);
  if (store) {
    // The write lock up front: a read-modify-write inside cannot race.
    if (int rc = exec(store->db, "BEGIN IMMEDIATE"); rc != SQLITE_OK) code = resultCode(rc);
  }
  s.doomed = code;
  return code;
}

LONG endTransaction(bool commit) {
  auto& s = state();
  LONG result = ERROR_SUCCESS;
  if (s.depth > 0) {
    if (!commit && s.doomed == ERROR_SUCCESS) s.doomed = ERROR_TRANSACTION_ALREADY_ABORTED;
    result = s.doomed;
    if (--s.depth == 0 && s.store) {
      // A transaction that never began has nothing to end.
      const bool begun = sqlite3_get_autocommit(s.store->db) == 0;
      if (begun && s.doomed == ERROR_SUCCESS) {
        if (int rc = exec(s.store->db, "COMMIT"); rc != SQLITE_OK) {
          exec(s.store->db, "ROLLBACK");
          result = resultCode(rc);
        }
      } else if (begun) {
        exec(s.store->db, "ROLLBACK");
      }
      s.doomed = ERROR_SUCCESS;
    }
  }
  s.mutex.unlock();
  return commit ? result : ERROR_SUCCESS;
}

}  // namespace detail

std::filesystem::path storePath() {
  auto& s = detail::state();
  std::lock_guard lock(s.mutex);
  return s.override ? *s.override : detail::environmentPath();
}

void setStorePath(const std::filesystem::path& file) {
  auto& s = detail::state();
  std::lock_guard lock(s.mutex);
  detail::closeStore(s);
  s.error.clear();
  s.cause.clear();
  if (file.empty()) s.override.reset();
  else s.override = file;
}

std::string storeError() {
  auto& s = detail::state();
  std::lock_guard lock(s.mutex);
  return s.error;
}

std::string describeFailure(LONG code) {
  auto& s = detail::state();
  std::lock_guard lock(s.mutex);
  const std::string store = "the settings store " + (s.override ? *s.override : detail::environmentPath()).string();
  switch (code) {
    case ERROR_SUCCESS: return "no error";
    case ERROR_DISK_FULL: return "the disk is full (" + store + ")";
    case ERROR_WRITE_PROTECT: return store + " is read-only";
    case ERROR_BUSY: return store + " is locked by another program";
    case ERROR_BADDB: return store + " " + (s.cause.empty() ? "is damaged or is not a settings store" : s.cause);
    case ERROR_CANTOPEN: return store + " " + (s.cause.empty() ? "cannot be opened" : s.cause);
    case ERROR_REGISTRY_IO_FAILED: return store + " cannot be read or written (an input/output error)";
    case ERROR_OUTOFMEMORY: return "out of memory";
    case ERROR_FILE_NOT_FOUND: return "not found";
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_BAD_PATHNAME: return "the key path is invalid, a name is longer than " +
                                    std::to_string(kMaxKeyNameLength) + " characters, or it is deeper than " +
                                    std::to_string(kMaxKeyDepth) + " levels";
    case ERROR_INVALID_PARAMETER: return "a name or value is beyond the registry's limits";
    case ERROR_TRANSACTION_ALREADY_ABORTED: return "the change was abandoned";
    default: return "registry error " + std::to_string(code);
  }
}

}  // namespace registry
