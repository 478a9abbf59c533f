// Fuzz target of the record codec: the input is decoded as a record of each of the five kinds and
// the decoded row is written back over the input bytes. Writing back what was read must succeed or
// fail with b3::Error, and what it writes must read back as the same row. A second pass puts
// hostile cells (raw bytes as text, numbers of any size and type) into the row before writing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "b3/edit_object.h"
#include "b3/record_layout.h"

namespace {

// Reads little pieces of the input, in order, zero once it is used up.
class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}
    std::uint64_t next(int bytes) {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) {
            v |= static_cast<std::uint64_t>(
                     at_ < in_.size() ? static_cast<unsigned char>(in_[at_++]) : 0)
                 << (8 * i);
        }
        return v;
    }
    std::string_view take(std::size_t n) {
        n = std::min(n, in_.size() - at_);
        const std::string_view s = in_.substr(at_, n);
        at_ += n;
        return s;
    }

private:
    std::string_view in_;
    std::size_t at_ = 0;
};

b3::Cell HostileCell(Reader& r) {
    switch (r.next(1) % 6) {
        case 0:
            return b3::Cell();
        case 1:
            return b3::Cell::byte(static_cast<std::uint8_t>(r.next(1)));
        case 2:
            return b3::Cell::integer(static_cast<std::int16_t>(r.next(2)));
        case 3:
            return b3::Cell::long_(static_cast<std::int32_t>(r.next(4)));
        default:
            return b3::Cell::text(std::string(r.take(r.next(1) % 160)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (int kind = 0; kind < b3::kKindCount; ++kind) {
        const b3::RecordLayout& layout = b3::LayoutOf(kind);
        const std::string name = kind == b3::kSpell ? "/game/Spell/FUZZ.SPL" : "FUZZ";
        const b3::ObjectArray row = b3::DecodeRecord(kind, input, 3, name);
        if (row.size() != static_cast<std::size_t>(layout.columns)) std::abort();

        std::string written;
        try {
            written = b3::EncodeRecord(kind, row, std::string(input));
        } catch (const b3::Error&) {
            continue;
        }
        // The record grows to its full length and keeps whatever followed it.
        const std::size_t length = std::max(size, static_cast<std::size_t>(layout.recordLength));
        if (written.size() != length) std::abort();
        if (size > static_cast<std::size_t>(layout.recordLength) &&
            written.substr(static_cast<std::size_t>(layout.recordLength)) !=
                input.substr(static_cast<std::size_t>(layout.recordLength))) {
            std::abort();
        }
        if (b3::DecodeRecord(kind, written, 3, name) != row) std::abort();
    }

    // Hostile cells in a few columns of each kind.
    Reader r(input);
    for (int kind = 0; kind < b3::kKindCount; ++kind) {
        const b3::RecordLayout& layout = b3::LayoutOf(kind);
        b3::ObjectArray object =
            b3::DecodeRecord(kind, input.substr(0, std::min<std::size_t>(size, 64)), 0, "X");
        const int changes = static_cast<int>(r.next(1) % 8);
        for (int i = 0; i < changes; ++i) {
            object[r.next(1) % object.size()] = HostileCell(r);
        }
        if (r.next(1) % 16 == 0) object.resize(r.next(1) % object.size());
        try {
            const std::string written =
                b3::EncodeRecord(kind, object, std::string(r.take(r.next(2) % 2048)));
            if (written.size() < static_cast<std::size_t>(layout.recordLength)) std::abort();
        } catch (const b3::Error&) {
        }
    }
    return 0;
}
