#pragma once
// The text an engine operation reports for a failure it trapped: the
// failure's own description, else "Unknown Error in <operation>!".
#include <exception>
#include <string>
#include <string_view>

namespace engine {

std::u16string describeFailure(const std::exception_ptr& failure, std::u16string_view operation);

}  // namespace engine
