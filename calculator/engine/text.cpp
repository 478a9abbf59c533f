#include "engine/text.h"

#include <mutex>
#include <unordered_set>

namespace b3::engine {
namespace {

struct Pool {
    std::mutex mutex;
    std::unordered_set<std::string> texts;  // node based: addresses stay put
};

Pool& ThePool() {
    static Pool* pool = new Pool;  // lives as long as the process, like the names it holds
    return *pool;
}

const std::string* Intern(std::string_view text) {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    return &*pool.texts.emplace(text).first;
}

}  // namespace

Text::Text() {
    static const std::string* const empty = Intern({});
    text_ = empty;
}
Text::Text(std::string_view text) : text_(Intern(text)) {}

}  // namespace b3::engine
