// The recent lists of the two window programs (installation folders, scenario files).
#pragma once

#include <QString>
#include <QStringList>

namespace b3::ui {

// Whether `a` and `b` name the same file or folder as the platform compares names: either
// separator, "." and ".." parts and a trailing separator aside; on Windows in any letter case.
bool SamePath(const QString& a, const QString& b);

// `recent` with `path` in front, without the entries that name the same place, at most `limit`
// entries long.
QStringList RecentWithFirst(QStringList recent, const QString& path, int limit);

}  // namespace b3::ui
