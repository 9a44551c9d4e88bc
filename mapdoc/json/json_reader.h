#pragma once
// Reading a JSON document member by member while knowing where one is, so
// that every problem can name the member it is about
// ("layers[2].renderer.classes[0].label").
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "mapdoc/json/json.h"

namespace mapdoc {

// A problem with one member; the document adds the file name.
class JsonProblem : public std::runtime_error {
 public:
  JsonProblem(std::string member, std::string problem)
      : std::runtime_error(member.empty() ? problem : member + ": " + problem),
        member_(std::move(member)),
        problem_(std::move(problem)) {}
  const std::string& member() const { return member_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string member_;
  std::string problem_;
};

// The members of an object that a reader did not interpret, and the order
// in which the object had all its members, so that writing it back keeps
// both.
struct Members {
  std::vector<std::string> order;
  Json extra = Json::object();
};

// Writes an object: members in the order they were read, known ones as the
// program now has them (known), unknown ones as read (or as changed in
// members.extra); members new to the object come last. A known member
// holding a discarded value (nothing to write) is left out.
Json composeMembers(const Members& members, const Json& known);

// A number member to write: as it was read (asRead; null when there was
// none) while it still holds value, so that a whole number read as 4 is not
// written back as 4.0; otherwise value itself, a whole number without a
// decimal point.
Json numberJson(double value, const Json& asRead = nullptr);

class JsonReader {
 public:
  JsonReader(const Json& node, std::string path) : node_(&node), path_(std::move(path)) {}

  const Json& json() const { return *node_; }
  const std::string& path() const { return path_; }

  // Present and not null.
  bool has(std::string_view key) const;
  // A required member of this object.
  JsonReader member(std::string_view key) const;
  // A member that may be absent or null.
  std::optional<JsonReader> optional(std::string_view key) const;
  // The elements of this array.
  std::vector<JsonReader> items() const;

  void requireObject() const;
  std::string text() const;
  host::Text utext() const;  // text as UTF-16
  double number() const;
  std::int32_t int32() const;
  bool boolean() const;

  // The members of this object other than the known ones, and their order.
  Members members(std::initializer_list<std::string_view> known) const;

  [[noreturn]] void fail(const std::string& problem) const;

 private:
  std::string childPath(std::string_view key) const;
  const Json* node_;
  std::string path_;
};

// What a JSON value is, for messages: "text", "a number", "an object" ...
std::string describeJsonType(const Json& value);

}  // namespace mapdoc
