#include "engine/json_input.h"

#include <algorithm>
#include <fstream>
#include <iostream>

namespace b3::engine {
namespace {

using nlohmann::json;

constexpr std::size_t kExcerptCharacters = 40;

// Reads at most `limit` + 1 bytes of `in`, so that a larger input is known without reading it.
std::string ReadLimited(std::istream& in, std::size_t limit) {
    std::string text;
    char buffer[65536];
    while (text.size() <= limit && in) {
        in.read(buffer,
                static_cast<std::streamsize>(std::min(sizeof buffer, limit + 1 - text.size())));
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

class TooDeep {};

}  // namespace

std::string InputName(const std::string& file) {
    return file == "-" ? std::string("standard input") : file;
}

std::string ReadJsonInput(const std::string& file) {
    std::string text;
    if (file == "-") {
        text = ReadLimited(std::cin, kMaxJsonInputBytes);
        if (std::cin.bad()) throw JsonInputError("cannot read standard input");
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw JsonInputError("cannot open " + file);
        text = ReadLimited(in, kMaxJsonInputBytes);
        if (in.bad()) throw JsonInputError("cannot read " + file);
    }
    if (text.size() > kMaxJsonInputBytes) {
        throw JsonInputError(InputName(file) + " is larger than " +
                             std::to_string(kMaxJsonInputBytes >> 20) +
                             " MiB; a JSON input is far smaller");
    }
    return text;
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
    } catch (const json::parse_error& e) {
        // The place of the fault, counted as an editor shows it.
        const std::size_t end = std::min<std::size_t>(e.byte == 0 ? 0 : e.byte - 1, text.size());
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < end; ++i) {
            if (text[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        const bool atEnd = e.byte >= text.size() + 1 || end >= text.size();
        throw JsonInputError(
            InputName(file) + " is not valid JSON: " +
            (atEnd ? std::string("it ends too early")
                   : "line " + std::to_string(line) + ", column " + std::to_string(column)));
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
