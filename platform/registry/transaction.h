#pragma once
// Groups registry calls into one change of the store: other processes see
// all of it or none of it, and a read-modify-write inside one cannot lose a
// concurrent writer's change (the store's write lock is taken when the
// transaction begins; a second writer waits for it).
//
//   registry::Transaction t;
//   ... RegQueryValueExA, RegSetValueExA ...
//   if (t.commit() != ERROR_SUCCESS) ...
//
// Transactions nest: only the outermost one commits. A transaction that
// could not begin makes every call inside it fail with its status(); one
// left without commit() is rolled back, and so is its outer transaction.
#include "platform/registry/registry.h"

namespace registry {

class Transaction {
 public:
  Transaction();
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // ERROR_SUCCESS when the transaction began.
  LONG status() const { return status_; }

  // Makes the changes durable (outermost) or hands them to the outer
  // transaction. Returns the failure when nothing was committed.
  LONG commit();
  // Discards the changes of the whole transaction (the outer one's too).
  void rollback();

 private:
  LONG status_;
  bool open_;
};

}  // namespace registry
