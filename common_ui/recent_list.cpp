#include "common_ui/recent_list.h"

#include <QDir>

namespace b3::ui {

bool SamePath(const QString& a, const QString& b) {
#ifdef _WIN32
    constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif
    const auto clean = [](const QString& p) {
        return QDir::cleanPath(QDir::fromNativeSeparators(p));
    };
    return clean(a).compare(clean(b), kCase) == 0;
}

QStringList RecentWithFirst(QStringList recent, const QString& path, int limit) {
    recent.removeIf([&](const QString& kept) { return SamePath(kept, path); });
    recent.prepend(path);
    while (recent.size() > limit) recent.removeLast();
    return recent;
}

}  // namespace b3::ui
