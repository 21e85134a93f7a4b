#pragma once
// One-line JSON objects for the command-line tool. Texts from photos are bytes: each byte is
// written as the character U+0000..U+00FF of the same number.

#include <cstdint>
#include <string>
#include <vector>

namespace tokimori::cli {

class JsonLine {
  public:
    JsonLine& text(const char* key, const std::string& bytes);
    JsonLine& utf8(const char* key, const std::string& utf8Text);
    // A file's path: as UTF-8 text; a name that is not valid UTF-8 shows its invalid bytes as
    // U+FFFD, and its exact bytes follow in hexadecimal under key + "_hex".
    JsonLine& path(const char* key, const std::string& bytes);
    JsonLine& number(const char* key, int64_t value);
    JsonLine& boolean(const char* key, bool value);
    JsonLine& list(const char* key, const std::vector<std::string>& asciiItems);
    JsonLine& objects(const char* key, const std::vector<JsonLine>& items);
    std::string str() const { return "{" + body_ + "}"; }

  private:
    void key(const char* k);
    std::string body_;
};

// Latin-1 bytes as a quoted, escaped JSON string.
std::string JsonBytes(const std::string& bytes);

} // namespace tokimori::cli
