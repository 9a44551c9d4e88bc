#pragma once
// The map documents opened or saved last, newest first, kept for the user
// in the settings store under "Software\Quorvex\Carrowind Map\Recent Files"
// (values File1, File2, ...). A store that cannot be read gives an empty
// list; one that cannot be written keeps the list it had.
#include <filesystem>
#include <vector>

namespace carrowind::map {

constexpr std::size_t kRecentFileCount = 6;

std::vector<std::filesystem::path> recentFiles();
// Puts file first (absolute), dropping an older entry for it and the
// oldest beyond the count; all in one transaction.
void addRecentFile(const std::filesystem::path& file);
void removeRecentFile(const std::filesystem::path& file);

}  // namespace carrowind::map
