#include "platform/registry/transaction.h"

#include "platform/registry/store_connection.h"

namespace registry {

Transaction::Transaction() : status_(detail::beginTransaction()), open_(true) {}

Transaction::~Transaction() {
  if (open_) detail::endTransaction(false);
}

LONG Transaction::commit() {
  if (!open_) return ERROR_TRANSACTION_ALREADY_ABORTED;
  open_ = false;
  return detail::endTransaction(true);
}

void Transaction::rollback() {
  if (!open_) return;
  open_ = false;
  detail::endTransaction(false);
}

}  // namespace registry
