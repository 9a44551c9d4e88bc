#pragma once
// The per-user registration of the component libraries installed with the
// programs, as regsvr32 does on the original platform, and the product key
// the labeling dialog keeps its settings under. "carrowind install" does it
// on request; the programs do it quietly the first time they need it.
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace carrowind::setup {

// The installation folder of the running program: the parent of its bin/.
std::filesystem::path programPrefix();
// Where a prefix keeps the component libraries: lib/carrowind when
// installed, lib in a build tree.
std::filesystem::path componentDirectory(const std::filesystem::path& prefix);

// A registration the store refused, with the failing call's code and the
// store's reason when it gave one.
class RegistrationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What registering reports as it goes; either may be empty.
struct Progress {
  std::function<void(const std::filesystem::path&)> registered;
  std::function<void(const std::filesystem::path&, const std::string& why)> skipped;
};

// Registers every component library in `directory` and enters its classes in
// the host's component categories. Returns how many were registered (a
// library that is missing or cannot register itself is skipped); throws
// RegistrationError, or std::runtime_error for a library that cannot be loaded.
int registerComponents(const std::filesystem::path& directory, const Progress& progress = {});
// Removes the registration of the libraries in `directory` (classes known
// here go even when their library is gone). Settings and quick picks stay.
void unregisterComponents(const std::filesystem::path& directory,
                          const std::function<void(const std::string& library)>& unregistered = {});

// Creates the product key with the dialog's defaults when it is missing;
// true when it was created. Throws RegistrationError.
bool createProductKey();

// True when every component library in `directory` has its classes
// registered (to a file that exists) and in their categories, and the
// product key exists.
bool isRegistered(const std::filesystem::path& directory);

// The first use by a user: registers this program's component libraries and
// creates the product key when that is missing. Prints nothing and never
// fails; what it could not do is left as it was.
void ensureRegistered() noexcept;

}  // namespace carrowind::setup
