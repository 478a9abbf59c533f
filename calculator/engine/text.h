// Interned texts: a name is stored once for the whole process and armies carry a pointer to it,
// so that copying an army copies no characters and comparing two names compares two pointers.
#pragma once

#include <string>
#include <string_view>

namespace b3::engine {

class Text {
public:
    Text();  // the empty text
    // Implicit on purpose: names are set from strings.
    Text(std::string_view text);                                     // NOLINT
    Text(const std::string& text) : Text(std::string_view(text)) {}  // NOLINT
    Text(const char* text) : Text(std::string_view(text)) {}         // NOLINT

    const std::string& str() const { return *text_; }
    operator const std::string&() const { return *text_; }  // NOLINT
    bool empty() const { return text_->empty(); }
    // The same for two texts exactly when they are equal.
    const void* id() const { return text_; }

    // Two texts are equal exactly when their characters are (same letters, same case).
    friend bool operator==(Text a, Text b) { return a.text_ == b.text_; }
    friend bool operator==(Text a, std::string_view b) { return *a.text_ == b; }

private:
    const std::string* text_;
};

}  // namespace b3::engine
