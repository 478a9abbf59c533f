#include "editor/compare_screenshots.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTabWidget>
#include <QToolTip>
#include <filesystem>
#include <functional>
#include <sstream>

#include "b3/edit_object.h"
#include "common_ui/screen_fit.h"
#include "editor/frm_apply_patch.h"
#include "editor/frm_b3editor.h"
#include "editor/mmain.h"
#include "patch/patch.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "sample/sample.h"

namespace b3::editor {

namespace {

// Changes the army with `shortName` in the installation `folder`; another short name writes it
// as a new army.
void ChangeArmy(const std::string& folder, const std::string& shortName,
                const std::function<void(b3::ObjectArray&)>& change) {
    auto object =
        b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{.installFolder = folder});
    const b3::DataArray armies = object->GetEditObjectData(kArmy);
    for (std::size_t r = 0; r < armies.rows(); ++r) {
        if (armies.at(r, 3).toString() != shortName) continue;
        b3::ObjectArray row = armies.row(r);
        change(row);
        object->WriteObject(row, kArmy);
    }
}

// The mod: silver archers one stronger, an orc warband of strength 6, hill ogres, no spiders.
void WriteMod(const std::string& folder) {
    b3::sample::WriteSampleInstallation(folder);
    ChangeArmy(folder, "ARCHERS", [](b3::ObjectArray& row) {
        row[1] = b3::Cell::text("Silver Archers");
        row[5] = b3::Cell::byte(static_cast<std::uint8_t>(row[5].number() + 1));
    });
    ChangeArmy(folder, "ORCS", [](b3::ObjectArray& row) {
        row[1] = b3::Cell::text("Orc Warband");
        row[5] = b3::Cell::byte(6);
    });
    ChangeArmy(folder, "KNIGHTS", [](b3::ObjectArray& row) {
        row[1] = b3::Cell::text("Hill Ogres");
        row[3] = b3::Cell::text("OGRES");
        row[5] = b3::Cell::byte(6);
    });
    const std::string army = platform::JoinPath(folder, "Army");
    std::error_code ec;
    platform::CopyFileReplacing(platform::JoinPath(army, "KNIGHTS.PCX"),
                                platform::JoinPath(army, "OGRES.PCX"), ec);
    for (const char* file : {"SPIDERS.ARM", "SPIDERS.PCX"})
        std::filesystem::remove(
            platform::FsPath(platform::JoinPath(army, platform::FindEntryIgnoreCase(army, file))),
            ec);
}

// The window with the pop-up windows over it that belong to it now (an open list, a tooltip).
QImage WithPopups(QWidget& w) {
    QImage image = w.grab().toImage();
    QPainter p(&image);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top == &w || !top->isVisible()) continue;
        if (!(top->windowFlags() & (Qt::Popup | Qt::ToolTip))) continue;
        p.drawPixmap(w.mapFromGlobal(top->pos()), top->grab());
    }
    return image;
}

}  // namespace

void TakeCompareScreenshots(frmB3Editor& w, const QString& out, const QString& tempFolder,
                            const QSize& size, const QString& suffix) {
    const std::string base = QDir(tempFolder).filePath("base").toStdString();
    const std::string mod = QDir(tempFolder).filePath("Silver Archers mod").toStdString();
    if (!platform::IsDirectory(mod)) {
        b3::sample::WriteSampleInstallation(base);
        WriteMod(mod);
    }
    w.resize(size);
    w.sstEditor->setCurrentIndex(kArmy);
    w.StartComparison(QString::fromStdString(mod));
    w.cboEditObject->setCurrentIndex(w.cboEditObject->findText("Elven Archers"));
    QApplication::processEvents();
    QLabel* strength = w.lblArmyProps[5];
    QToolTip::showText(strength->mapToGlobal(QPoint(strength->width() / 2, strength->height())),
                       strength->toolTip(), strength);
    QApplication::processEvents();
    WithPopups(w).save(out + "/compare" + suffix + ".png");
    QToolTip::hideText();

    w.cboEditObject->showPopup();
    QApplication::processEvents();
    WithPopups(w).save(out + "/compare-list" + suffix + ".png");
    w.cboEditObject->hidePopup();
    w.EndComparison();

    // The patch the mod makes of the sample, on the window's installation, whose orcs were
    // renamed otherwise.
    const b3::patch::Patch patch =
        b3::patch::MakePatch(b3::patch::Installation(base), b3::patch::Installation(mod),
                             "Silver archers", "Stronger archers, hill ogres, no spiders");
    const QString file = QDir(tempFolder).filePath("silver.b3patch");
    std::ostringstream unused;
    b3::patch::WritePatch(patch, file.toStdString(), unused);
    frmApplyPatch dialog(patch, w.editObject().InstallPath(), QDir::toNativeSeparators(file), &w);
    b3::ui::FitToScreen(&dialog);
    dialog.show();
    QApplication::processEvents();
    dialog.grab().save(out + "/apply_patch" + suffix + ".png");
    dialog.hide();
}

}  // namespace b3::editor
