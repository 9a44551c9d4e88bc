#pragma once
// Call-stack error reports. A procedure's handler passes its location and
// the error to ReportError: below the top of the chain the error is raised
// again (a com::Error) with the location added; at the top the report is
// shown (modes 2, 3 and others) or handed to the error sink (mode 4).
#include <cstdint>
#include <string>

namespace support::ErrorHandling {

// "Line : N", or empty text for 0 (no numbered statement reached).
std::u16string LineText(std::int32_t line);

void ReportError(bool isTopLevel, const std::u16string& location, std::int32_t number, const std::u16string& source,
                 const std::u16string& description, int mode);

void ShowErrorReport(const std::u16string& location, const std::u16string& text);
// Fails with the platform's object-creation error when the sink cannot be made.
void SendErrorReport(const std::u16string& location, const std::u16string& text);

}  // namespace support::ErrorHandling
