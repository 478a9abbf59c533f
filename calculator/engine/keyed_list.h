// A keyed, 1-based list: the collection behind the side and stack classes. Items keep the order
// in which they were added; a key is optional, and a key names at most one item.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace b3::engine {

// A position or key that names no item of a collection.
class MissingItem : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

template <class T>
class KeyedList {
public:
    void reserve(std::size_t n) { items_.reserve(n); }

    // Appends `item`, under `key` when it is not empty. A key already in use is refused.
    T& add(const T& item, std::string_view key) {
        if (!key.empty()) {
            if (findKey(key) >= 0)
                throw std::invalid_argument("the key " + std::string(key) + " is already in use");
            keys_.emplace_back(std::string(key), items_.size());
        }
        items_.push_back(item);
        return items_.back();
    }

    std::int32_t count() const { return static_cast<std::int32_t>(items_.size()); }

    // Item at 1-based `position`.
    T& at(std::int32_t position) {
        if (position < 1 || position > count()) [[unlikely]]
            NoItemAt(position);
        return items_[static_cast<std::size_t>(position - 1)];
    }
    const T& at(std::int32_t position) const { return const_cast<KeyedList*>(this)->at(position); }
    T& at(std::string_view key) {
        const long index = findKey(key);
        if (index < 0) throw MissingItem("no item with the key " + std::string(key));
        return items_[static_cast<std::size_t>(index)];
    }
    const T& at(std::string_view key) const { return const_cast<KeyedList*>(this)->at(key); }

    // The item under `key`, or nullptr when no item has that key.
    T* find(std::string_view key) {
        const long index = findKey(key);
        return index < 0 ? nullptr : &items_[static_cast<std::size_t>(index)];
    }

    void remove(std::int32_t position) {
        if (position < 1 || position > count())
            throw MissingItem("no item at position " + std::to_string(position));
        const std::size_t index = static_cast<std::size_t>(position - 1);
        items_.erase(items_.begin() + static_cast<long>(index));
        if (keys_.empty()) return;
        for (std::size_t k = 0; k < keys_.size();) {
            if (keys_[k].second == index) {
                keys_.erase(keys_.begin() + static_cast<long>(k));
                continue;
            }
            if (keys_[k].second > index) --keys_[k].second;
            ++k;
        }
    }
    void remove(std::string_view key) {
        const long index = findKey(key);
        if (index < 0) throw MissingItem("no item with the key " + std::string(key));
        remove(static_cast<std::int32_t>(index + 1));
    }
    // Removes the last item (the cheap case of remove).
    void removeLast() {
        if (!keys_.empty()) {
            remove(count());
            return;
        }
        items_.pop_back();
    }

    void clear() {
        items_.clear();
        keys_.clear();
    }

    // Direct access to the items, in order (index 0 is position 1).
    T* data() { return items_.data(); }
    const T* data() const { return items_.data(); }

private:
    // Out of line, so that the checked look-up above stays small enough to inline.
    [[noreturn, gnu::cold, gnu::noinline]] static void NoItemAt(std::int32_t position) {
        throw MissingItem("no item at position " + std::to_string(position));
    }

    long findKey(std::string_view key) const {
        for (const auto& [k, index] : keys_)
            if (k == key) return static_cast<long>(index);
        return -1;
    }

    std::vector<T> items_;
    std::vector<std::pair<std::string, std::size_t>> keys_;
};

}  // namespace b3::engine
