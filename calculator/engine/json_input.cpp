#include "engine/json_input.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "platform/native_path.h"

namespace b3::engine {
namespace {

using nlohmann::json;

constexpr std::size_t kExcerptCharacters = 40;

// Appends at most `limit` + 1 bytes of `in` to `text`, so that a larger input is known without
// reading it.
void ReadLimited(std::istream& in, std::size_t limit, std::string& text) {
    char buffer[65536];
    while (text.size() <= limit && in) {
        in.read(buffer,
                static_cast<std::streamsize>(std::min(sizeof buffer, limit + 1 - text.size())));
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
}

class TooDeep {};

}  // namespace

std::string InputName(const std::string& file) {
    return file == "-" ? std::string("standard input") : file;
}

std::string ReadLimitedInput(const std::string& file, std::size_t limit, const std::string& what) {
    const auto tooLarge = [&] {
        const std::string size = limit >= (1u << 20) ? std::to_string(limit >> 20) + " MiB"
                                                     : std::to_string(limit) + " bytes";
        return JsonInputError(InputName(file) + " is larger than " + size + "; " + what +
                              " is far smaller");
    };
    std::string text;
    if (file == "-") {
        ReadLimited(std::cin, limit, text);
        if (std::cin.bad()) throw JsonInputError("cannot read standard input");
    } else {
        std::ifstream in(b3::platform::FsPath(file), std::ios::binary);
        if (!in) throw JsonInputError("cannot open " + file);
        // A file's own size, where it has one, is refused before anything is read; the text is
        // then read into one block of that size.
        std::error_code ec;
        const auto size = std::filesystem::file_size(b3::platform::FsPath(file), ec);
        if (!ec && size > limit) throw tooLarge();
        if (!ec) text.reserve(static_cast<std::size_t>(size) + 1);
        ReadLimited(in, limit, text);
        if (in.bad()) throw JsonInputError("cannot read " + file);
    }
    if (text.size() > limit) throw tooLarge();
    return text;
}

std::string ReadJsonInput(const std::string& file) {
    return ReadLimitedInput(file, kMaxJsonInputBytes, "a JSON input");
}

JsonInputError JsonSyntaxError(const json::exception& error, std::string_view text,
                               const std::string& file) {
    const auto* e = dynamic_cast<const json::parse_error*>(&error);
    if (e == nullptr) {
        // The one other failure of the parser: a number beyond what a double holds (1e400).
        return JsonInputError(InputName(file) +
                              " holds a number too large for any field; write whole numbers "
                              "within the field's range");
    }
    // The place of the fault, counted as an editor shows it.
    const std::size_t end = std::min<std::size_t>(e->byte == 0 ? 0 : e->byte - 1, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    const bool atEnd = e->byte >= text.size() + 1 || end >= text.size();
    return JsonInputError(
        InputName(file) + " is not valid JSON: " +
        (atEnd ? std::string("it ends too early")
               : "line " + std::to_string(line) + ", column " + std::to_string(column)));
}

json ParseJsonInput(const std::string& text, const std::string& file) {
    const auto refuseDeep = [](int depth, json::parse_event_t event, json&) {
        if ((event == json::parse_event_t::object_start ||
             event == json::parse_event_t::array_start) &&
            depth >= kMaxJsonDepth)
            throw TooDeep();
        return true;
    };
    try {
        return json::parse(text, refuseDeep);
    } catch (const TooDeep&) {
        throw JsonInputError(InputName(file) + " nests lists or objects more than " +
                             std::to_string(kMaxJsonDepth) + " levels deep");
    } catch (const json::exception& e) {
        throw JsonSyntaxError(e, text, file);
    }
}

std::string Excerpt(const json& value) {
    if (value.is_array()) return "a list of " + std::to_string(value.size()) + " values";
    if (value.is_object()) return "an object of " + std::to_string(value.size()) + " keys";
    if (!value.is_string()) return value.dump();
    const std::string& text = value.get_ref<const std::string&>();
    std::size_t cut = 0, characters = 0;
    while (cut < text.size() && characters < kExcerptCharacters) {
        ++cut;
        while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) ++cut;
        ++characters;
    }
    const json shown = text.substr(0, cut);
    return shown.dump(-1, ' ', false, json::error_handler_t::replace) +
           (cut < text.size() ? "..." : "");
}

}  // namespace b3::engine
