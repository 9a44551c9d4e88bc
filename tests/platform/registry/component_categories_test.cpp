// Component categories: what installation enters and what a host reads to
// find its extensions, commands and command bars.
#include "platform/registry/component_categories.h"

#include <algorithm>

#include "platform/registry/class_registration.h"
#include "store_fixture.h"

namespace registry::testing {
namespace {

const com::CLSID kCommands = com::Guid::fromString("{B56A7C42-83D4-11D2-A2E9-080009B6F22B}");
const com::CLSID kExtensions = com::Guid::fromString("{B56A7C45-83D4-11D2-A2E9-080009B6F22B}");
const com::CLSID kOne = com::Guid::fromString("{11111111-2222-3333-4444-555555555555}");
const com::CLSID kTwo = com::Guid::fromString("{22222222-2222-3333-4444-555555555555}");

using Categories = StoreTest;

bool holds(const std::vector<com::CLSID>& list, const com::CLSID& clsid) {
  return std::find(list.begin(), list.end(), clsid) != list.end();
}

TEST_F(Categories, ClassesAreFoundByTheCategoriesTheyImplement) {
  ASSERT_EQ(registerServer("/opt/x/libone.so", {{kOne, "X.One", "one"}, {kTwo, "X.Two", "two"}}), ERROR_SUCCESS);
  EXPECT_TRUE(classesInCategory(kCommands).empty());
  ASSERT_EQ(registerClassInCategory(kOne, kCommands, "ESRI Mx Commands"), ERROR_SUCCESS);
  ASSERT_EQ(registerClassInCategory(kTwo, kCommands, "ESRI Mx Commands"), ERROR_SUCCESS);
  ASSERT_EQ(registerClassInCategory(kTwo, kExtensions, "ESRI Mx Extensions"), ERROR_SUCCESS);

  const auto commands = classesInCategory(kCommands);
  EXPECT_EQ(commands.size(), 2u);
  EXPECT_TRUE(holds(commands, kOne) && holds(commands, kTwo));
  EXPECT_EQ(classesInCategory(kExtensions), std::vector<com::CLSID>{kTwo});
  EXPECT_EQ(getValue(HKEY_CLASSES_ROOT, "Component Categories\\" + kCommands.toString(), "409"),
            (StoredValue{REG_SZ, std::string("ESRI Mx Commands") + '\0'}));

  // Entering twice is harmless; removing leaves the other entries.
  ASSERT_EQ(registerClassInCategory(kOne, kCommands, "ESRI Mx Commands"), ERROR_SUCCESS);
  ASSERT_EQ(unregisterClassFromCategory(kOne, kCommands), ERROR_SUCCESS);
  EXPECT_EQ(unregisterClassFromCategory(kOne, kCommands), ERROR_SUCCESS);
  EXPECT_EQ(classesInCategory(kCommands), std::vector<com::CLSID>{kTwo});
  EXPECT_TRUE(registeredServer(kOne));  // the class itself stays registered

  // Unregistering the server takes its category entries with it.
  ASSERT_EQ(unregisterServer({{kTwo, "X.Two", "two"}}), ERROR_SUCCESS);
  EXPECT_TRUE(classesInCategory(kCommands).empty());
  EXPECT_TRUE(classesInCategory(kExtensions).empty());
}

TEST(RegistryResults, BecomeTheHresultsSelfRegistrationReturns) {
  EXPECT_EQ(hresultFromRegistry(ERROR_SUCCESS), com::S_OK);
  EXPECT_EQ(static_cast<unsigned>(hresultFromRegistry(ERROR_FILE_NOT_FOUND)), 0x80070002u);
  EXPECT_TRUE(com::failed(hresultFromRegistry(ERROR_BADDB)));
}

}  // namespace
}  // namespace registry::testing
