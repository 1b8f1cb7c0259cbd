// A small JSON writer for koltool's one-line answers.
#pragma once

#include <string>
#include <vector>

namespace kolshell {

// Text is bytes: valid UTF-8 passes through, anything else is read as Windows text, so the
// answer is always valid UTF-8.
std::string JsonString(const std::string& bytes);
std::string JsonNumber(double v); // 17 significant digits, round-trips
std::string JsonBool(bool b);
std::string JsonStringArray(const std::vector<std::string>& items);

// Builds {"key":value,...} in insertion order.
class JsonObject {
  public:
    JsonObject& Raw(const std::string& key, const std::string& json);
    JsonObject& Str(const std::string& key, const std::string& value);
    JsonObject& Num(const std::string& key, double value);
    JsonObject& Int(const std::string& key, long long value);
    JsonObject& Bool(const std::string& key, bool value);
    std::string Text() const { return "{" + body_ + "}"; }

  private:
    std::string body_;
};

// [a,b,...] from already-encoded JSON items.
std::string JsonArray(const std::vector<std::string>& jsonItems);

} // namespace kolshell
