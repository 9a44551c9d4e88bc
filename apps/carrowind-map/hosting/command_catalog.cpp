#include "apps/carrowind-map/hosting/command_catalog.h"

#include "apps/carrowind-map/hosting/failure_report.h"
#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/registry/class_registration.h"
#include "platform/text/utf.h"

namespace carrowind::map {
namespace {

std::u16string lower(const host::Text& s) {
  std::u16string out = s;
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

}  // namespace

host::Ref<host::IUnknown> createUnknownByUid(const host::Text& uid) {
  com::CLSID clsid;
  if (!uid.empty() && uid.front() == u'{') {
    try {
      clsid = com::Guid::fromString(text::toUtf8(uid));
    } catch (const std::exception&) {
      throw com::Error(com::CO_E_CLASSSTRING, u"\"" + uid + u"\" is not a class identifier");
    }
  } else {
    auto found = registry::classFromProgId(text::toUtf8(uid));
    if (!found) throw com::Error(com::CO_E_CLASSSTRING, u"No class is registered as \"" + uid + u"\"");
    clsid = *found;
  }
  return com::create<host::IUnknown>(clsid);
}

host::Ref<host::ICommand> CommandCatalog::command(const host::Text& uid) {
  const auto key = lower(uid);
  if (auto it = commands_.find(key); it != commands_.end()) return it->second;
  if (failed_.count(key)) return nullptr;
  host::Ref<host::ICommand> made;
  const bool ok = guarded(u"Creating the command " + uid, [&] {
    made = createByUid<host::ICommand>(uid);
    if (!made) throw com::Error(com::E_NOINTERFACE, u"\"" + uid + u"\" is not a command");
    made->OnCreate(application_.get());
  });
  if (!ok) {
    failed_.insert(key);
    return nullptr;
  }
  commands_.emplace(key, made);
  return made;
}

}  // namespace carrowind::map
