#include "apps/carrowind-map/ui/recent_files.h"

#include <algorithm>
#include <string>

#include "platform/registry/registry.h"
#include "platform/registry/transaction.h"

namespace carrowind::map {
namespace {

namespace fs = std::filesystem;
using namespace registry;

constexpr char kKey[] = "Software\\Quorvex\\Carrowind Map\\Recent Files";

std::string valueName(std::size_t index) { return "File" + std::to_string(index + 1); }

std::vector<fs::path> read(HKEY key) {
  std::vector<fs::path> out;
  for (std::size_t i = 0; i < kRecentFileCount; ++i) {
    DWORD type = 0, size = 0;
    const std::string name = valueName(i);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
      continue;
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
      continue;
    data.resize(std::min<std::size_t>(size, data.size()));
    if (auto nul = data.find('\0'); nul != std::string::npos) data.resize(nul);
    if (!data.empty()) out.emplace_back(data);
  }
  return out;
}

// Inside the caller's transaction.
void write(const std::vector<fs::path>& files) {
  HKEY key{};
  if (RegCreateKeyA(HKEY_CURRENT_USER, kKey, &key) != ERROR_SUCCESS) return;
  for (std::size_t i = 0; i < kRecentFileCount; ++i) {
    const std::string name = valueName(i);
    if (i < files.size()) {
      const std::string data = files[i].string();
      RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>(data.size() + 1));
    } else {
      RegDeleteValueA(key, name.c_str());
    }
  }
  RegCloseKey(key);
}

}  // namespace

std::vector<fs::path> recentFiles() {
  HKEY key{};
  if (RegOpenKeyA(HKEY_CURRENT_USER, kKey, &key) != ERROR_SUCCESS) return {};
  auto out = read(key);
  RegCloseKey(key);
  return out;
}

void addRecentFile(const fs::path& file) {
  const fs::path absolute = fs::absolute(file).lexically_normal();
  Transaction transaction;  // read and write as one change
  auto files = recentFiles();
  std::erase(files, absolute);
  files.insert(files.begin(), absolute);
  if (files.size() > kRecentFileCount) files.resize(kRecentFileCount);
  write(files);
  transaction.commit();
}

void removeRecentFile(const fs::path& file) {
  Transaction transaction;
  auto files = recentFiles();
  const auto before = files.size();
  std::erase(files, fs::absolute(file).lexically_normal());
  if (files.size() == before) return;
  write(files);
  transaction.commit();
}

}  // namespace carrowind::map
