// The screenshots of comparing with another installation and of applying a patch, for
// b3editor_screenshots.
#pragma once

#include <QSize>
#include <QString>

namespace b3::editor {

class frmB3Editor;

// Makes a modded copy of the sample in `tempFolder`, compares the window's installation with it
// and saves compare.png (a field's tooltip with the other value) and compare-list.png (the object
// list open); then saves apply_patch.png, the dialog for the patch that the mod makes of the
// sample. The window is resized to `size` first; `suffix` goes before ".png".
void TakeCompareScreenshots(frmB3Editor& w, const QString& out, const QString& tempFolder,
                            const QSize& size, const QString& suffix = {});

}  // namespace b3::editor
