#include "mapdoc/json/json_text.h"

#include <iterator>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "mapdoc/document_error.h"

namespace mapdoc {
namespace {

// Hands the parser the text byte by byte and counts how far it read: the
// parser itself tells a position only with a syntax error.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, std::size_t* read) : at_(at), read_(read) {}
  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    ++at_;
    ++*read_;
    return *this;
  }
  CountingIterator operator++(int) {
    auto before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
  bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

 private:
  const char* at_;
  std::size_t* read_;
};

// Builds the document as nlohmann-json's own parser does (a repeated key
// keeps its first place and its last value), but refuses nesting beyond
// kMaxJsonDepth, names the member a problem is in, and finds an object's
// keys through an index once it has many, so that a huge object does not
// take time growing with the square of its size.
class DocumentBuilder : public nlohmann::json_sax<Json> {
 public:
  struct Failure {
    std::string member, problem;
  };

  DocumentBuilder(Json& root, std::string_view text, const std::size_t& read) : root_(root), text_(text), read_(read) {}
  const std::optional<Failure>& failure() const { return failure_; }

  bool null() override { return put(nullptr); }
  bool boolean(bool value) override { return put(value); }
  bool number_integer(number_integer_t value) override { return put(value); }
  bool number_unsigned(number_unsigned_t value) override { return put(value); }
  bool number_float(number_float_t value, const string_t&) override { return put(value); }
  bool string(string_t& value) override { return put(std::move(value)); }
  bool binary(binary_t& value) override { return put(Json::binary(std::move(value))); }
  bool start_object(std::size_t) override { return open(Json::object()); }
  bool start_array(std::size_t) override { return open(Json::array()); }
  bool end_object() override { return close(); }
  bool end_array() override { return close(); }

  bool key(string_t& name) override {
    Frame& top = frames_.back();
    auto& object = top.node->get_ref<Json::object_t&>();
    if (top.keys) {
      const auto [at, added] = top.keys->try_emplace(name, object.size());
      if (!added) {
        top.slot = at->second;
        return true;
      }
    } else {
      for (std::size_t i = 0; i < object.size(); ++i)
        if (object.begin()[static_cast<std::ptrdiff_t>(i)].first == name) {
          top.slot = i;
          return true;
        }
    }
    top.slot = object.size();
    object.emplace_back(std::move(name), nullptr);
    if (!top.keys && object.size() > kLinearKeys) {
      top.keys = std::make_unique<std::unordered_map<std::string, std::size_t>>();
      for (std::size_t i = 0; i < object.size(); ++i) top.keys->emplace(object.begin()[static_cast<std::ptrdiff_t>(i)].first, i);
    }
    return true;
  }

  bool parse_error(std::size_t position, const std::string& lastToken, const Json::exception& e) override {
    const std::string where = lineAndColumn(text_, position > 0 ? position - 1 : 0);
    if (e.id == 406) {  // a number beyond what a double holds
      failure_ = Failure{nextPath(), "the number " + excerpt(lastToken, 40) + " is too large (" + where + ")"};
      return false;
    }
    std::string message = e.what();
    // "[json.exception.parse_error.101] parse error at line 1, ..."
    if (message.rfind("[json.exception.", 0) == 0)
      if (const auto end = message.find("] "); end != std::string::npos) message.erase(0, end + 2);
    if (lastToken.size() > 40)
      if (const auto at = message.find(lastToken); at != std::string::npos)
        message.replace(at, lastToken.size(), excerpt(lastToken, 40));
    failure_ = Failure{"", "is not valid JSON: " + message};
    return false;
  }

 private:
  static constexpr std::size_t kLinearKeys = 16;

  struct Frame {
    Json* node;
    std::size_t slot = 0;  // an object's member being read
    std::unique_ptr<std::unordered_map<std::string, std::size_t>> keys;
  };

  Json* place(Json&& value) {
    if (frames_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Frame& top = frames_.back();
    if (top.node->is_array()) {
      auto& array = top.node->get_ref<Json::array_t&>();
      array.push_back(std::move(value));
      return &array.back();
    }
    Json& member = top.node->get_ref<Json::object_t&>().begin()[static_cast<std::ptrdiff_t>(top.slot)].second;
    member = std::move(value);
    return &member;
  }

  bool put(Json&& value) {
    place(std::move(value));
    return true;
  }

  bool open(Json&& container) {
    if (frames_.size() >= static_cast<std::size_t>(kMaxJsonDepth)) {
      // the parser has just read the bracket
      failure_ = Failure{nextPath(), "lists and objects nest deeper than " + std::to_string(kMaxJsonDepth) +
                                         " levels here (" + lineAndColumn(text_, read_ - 1) +
                                         "); no map document nests so deep"};
      return false;
    }
    Json* node = place(std::move(container));
    frames_.push_back({node, 0, nullptr});
    return true;
  }

  bool close() {
    frames_.pop_back();
    return true;
  }

  // The member the parser is at: the current member of every open list and
  // object, the next one of the innermost.
  std::string nextPath() const {
    std::string path;
    for (std::size_t f = 0; f < frames_.size(); ++f) {
      const Frame& frame = frames_[f];
      if (frame.node->is_array()) {
        const std::size_t size = frame.node->size();
        path += "[" + std::to_string(f + 1 < frames_.size() ? size - 1 : size) + "]";
      } else {
        if (!path.empty()) path += '.';
        path += frame.node->get_ref<const Json::object_t&>().begin()[static_cast<std::ptrdiff_t>(frame.slot)].first;
      }
    }
    return path;
  }

  Json& root_;
  std::string_view text_;
  const std::size_t& read_;
  std::vector<Frame> frames_;
  std::optional<Failure> failure_;
};

void write(const Json& value, int depth, std::string& out) {
  if (!value.is_structured() || value.empty() || depth >= kIndentedJsonDepth) {
    out += value.dump();
    return;
  }
  const bool object = value.is_object();
  out += object ? "{\n" : "[\n";
  bool first = true;
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (!first) out += ",\n";
    first = false;
    out.append(static_cast<std::size_t>(2 * (depth + 1)), ' ');
    if (object) {
      out += Json(it.key()).dump();
      out += ": ";
    }
    write(*it, depth + 1, out);
  }
  out += '\n';
  out.append(static_cast<std::size_t>(2 * depth), ' ');
  out += object ? '}' : ']';
}

}  // namespace

Json parseJsonText(std::string_view text, const std::filesystem::path& file) {
  // nlohmann-json takes a NUL byte for the end of the text: a file that
  // starts with one would be "unexpected end of input", and anything after
  // a document that ends with one would pass unread.
  if (const auto at = text.find('\0'); at != std::string_view::npos)
    throw DocumentError(file, "", "is not valid JSON: a NUL byte at " + lineAndColumn(text, at) +
                                      ", which no JSON text holds (a damaged file, or not a text file)");
  Json root;
  std::size_t read = 0;
  DocumentBuilder builder(root, text, read);
  const CountingIterator first(text.data(), &read), last(text.data() + text.size(), &read);
  const bool parsed = Json::sax_parse(first, last, &builder);
  if (const auto& failure = builder.failure()) throw DocumentError(file, failure->member, failure->problem);
  if (!parsed) throw DocumentError(file, "", "is not valid JSON");
  return root;
}

std::string jsonText(const Json& value) {
  std::string out;
  write(value, 0, out);
  return out;
}

}  // namespace mapdoc
