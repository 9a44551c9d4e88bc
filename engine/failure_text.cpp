#include "engine/failure_text.h"

#include "platform/com/error.h"

namespace engine {

std::u16string describeFailure(const std::exception_ptr& failure, std::u16string_view operation) {
  try {
    std::rethrow_exception(failure);
  } catch (const com::Error& e) {
    if (!e.description().empty()) return e.description();
  } catch (...) {
  }
  return u"Unknown Error in " + std::u16string(operation) + u"!";
}

}  // namespace engine
