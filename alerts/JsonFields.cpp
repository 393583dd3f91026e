#include "alerts/JsonFields.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;
constexpr std::uint32_t kFirstHighSurrogate = 0xD800;
constexpr std::uint32_t kFirstLowSurrogate = 0xDC00;
constexpr std::uint32_t kLastLowSurrogate = 0xDFFF;

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

int HexDigit(char ch) {
  if (IsDigit(ch)) return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (at_ < text_.size() && std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos) ++at_;
  }

  bool Take(char ch) {
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == ch) {
      ++at_;
      return true;
    }
    return false;
  }

  char Peek() {
    SkipBlanks();
    return at_ < text_.size() ? text_[at_] : '\0';
  }

  // After the opening quote.
  std::optional<std::string> String() {
    std::string out;
    while (at_ < text_.size()) {
      const char ch = text_[at_++];
      if (ch == '"') return out;
      if (static_cast<unsigned char>(ch) < 0x20) return std::nullopt;
      if (ch != '\\') {
        out += ch;
        continue;
      }
      if (at_ >= text_.size()) return std::nullopt;
      switch (const char escaped = text_[at_++]) {
        case '"': case '\\': case '/': out += escaped; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::optional<std::uint32_t> code = Hex4();
          if (!code) return std::nullopt;
          if (*code >= kFirstHighSurrogate && *code <= kLastLowSurrogate) {
            std::optional<std::uint32_t> low;
            if (*code < kFirstLowSurrogate && text_.substr(at_, 2) == "\\u") {
              const std::size_t before = at_;
              at_ += 2;
              low = Hex4();
              if (!low || *low < kFirstLowSurrogate || *low > kLastLowSurrogate) {
                low.reset();
                at_ = before;  // not its pair: read on its own
              }
            }
            code = low ? 0x10000 + ((*code - kFirstHighSurrogate) << 10) + (*low - kFirstLowSurrogate)
                       : kReplacementCharacter;
          }
          AppendUtf8(out, *code);
          break;
        }
        default: return std::nullopt;
      }
    }
    return std::nullopt;
  }

  // -?digits(.digits)?([eE][+-]?digits)?
  std::optional<std::string> Number() {
    SkipBlanks();
    const std::size_t start = at_;
    const auto digits = [this] {
      const std::size_t first = at_;
      while (at_ < text_.size() && IsDigit(text_[at_])) ++at_;
      return at_ > first;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (!digits()) return std::nullopt;
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!digits()) return std::nullopt;
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return std::nullopt;
    }
    if (at_ - start > kJsonLongestNumber) return std::nullopt;
    return std::string(text_.substr(start, at_ - start));
  }

  // An object or array, strings inside it included: brackets are counted, not matched by kind.
  bool SkipNested() {
    long long depth = 0;
    while (at_ < text_.size()) {
      const char ch = text_[at_++];
      if (ch == '"') {
        if (!String()) return false;
      } else if (ch == '{' || ch == '[') {
        ++depth;
      } else if (ch == '}' || ch == ']') {
        if (--depth == 0) return true;
      }
    }
    return false;
  }

  bool SkipWord() {
    for (const std::string_view word : {"true", "false", "null"}) {
      if (text_.substr(at_, word.size()) == word) {
        at_ += word.size();
        return true;
      }
    }
    return false;
  }

 private:
  std::optional<std::uint32_t> Hex4() {
    if (text_.size() - at_ < 4) return std::nullopt;
    std::uint32_t code = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = HexDigit(text_[at_++]);
      if (digit < 0) return std::nullopt;
      code = code * 16 + static_cast<std::uint32_t>(digit);
    }
    return code;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::map<std::string, JsonValue> ReadJsonFields(std::string_view json) {
  std::map<std::string, JsonValue> fields;
  Reader reader(json);
  if (!reader.Take('{')) return fields;
  while (reader.Take('"')) {
    const std::optional<std::string> name = reader.String();
    if (!name || !reader.Take(':')) break;
    const char first = reader.Peek();
    std::optional<JsonValue> value;
    if (first == '"') {
      reader.Take('"');
      const std::optional<std::string> text = reader.String();
      if (!text) break;
      value = JsonValue{true, *text};
    } else if (first == '-' || IsDigit(first)) {
      const std::optional<std::string> number = reader.Number();
      if (!number) break;
      value = JsonValue{false, *number};
    } else if (first == '{' || first == '[') {
      if (!reader.SkipNested()) break;
    } else if (!reader.SkipWord()) {
      break;
    }
    if (value) fields.emplace(*name, std::move(*value));
    if (!reader.Take(',')) break;
  }
  return fields;
}
