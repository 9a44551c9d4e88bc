#pragma once
// Call-stack error reports. A procedure numbers its statements (keeping the
// last one reached in a local) and, in its handler, passes its location and
// the error to ReportError. Below the top of the chain the error is raised
// again as a com::Error (same number and source) with the location added in
// front of the description; the caller's handler reports in turn. At the top
// the finished report is shown (mode 2, 3 or any other) or handed to the
// error sink (mode 4).
//
//   std::int32_t line = 0;
//   try { line = 10; ...; line = 20; ... }
//   catch (const com::Error& e) {
//     ReportError(true, Location(u"ICommand_HelpFile", u"QVXCRWUI.DLL", line), e.code(), e.source(),
//                 e.description(), 4);
//   }
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace support::ErrorHandling {

// "Line : N"; empty text for 0 (no numbered statement reached).
std::u16string LineText(std::int32_t line);

// procedure, a blank, the server's file name, a blank, the line text.
std::u16string Location(std::u16string_view procedure, std::u16string_view serverFile, std::int32_t line);

// Throws com::Error when not top level. At the top level a failure of the
// output itself (the sink cannot be created) reaches the caller as the
// platform's com::Error. The last three arguments are not used.
void ReportError(bool isTopLevel, std::u16string_view location, std::int32_t errorNumber,
                 std::u16string_view errorSource, std::u16string_view description, int mode,
                 const com::Variant& = {}, const com::Variant& = {}, const com::Variant& = {});

// Beeps and shows the report in a warning box titled "Unexpected Program Error".
void ShowErrorReport(std::u16string_view location, std::u16string_view text);

// Hands the report to the error sink, created on first use and kept.
void SendErrorReport(std::u16string_view location, std::u16string_view text);

}  // namespace support::ErrorHandling
