// Takes a picture of every tab of the editor and of the hero properties window on the sample
// installation: b3editor_screenshots OUTPUT-FOLDER. Run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include <QTreeWidget>

#include "b3/history.h"
#include "common_ui/screen_fit.h"
#include "editor/compare_screenshots.h"
#include "editor/frm_b3editor.h"
#include "editor/frm_heroprops.h"
#include "editor/frm_history.h"
#include "editor/mmain.h"
#include "editor/pictures.h"
#include "editor/services.h"
#include "platform/files.h"
#include "sample/sample.h"

namespace {

void Select(b3::editor::frmB3Editor& w, const QString& name) {
    const int at = w.cboEditObject->findText(name);
    w.cboEditObject->setCurrentIndex(at >= 0 ? at : 0);
}

}  // namespace

int main(int argc, char** argv) {
    // Nothing remembered from other runs changes the pictures, and nothing is remembered.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: b3editor_screenshots OUTPUT-FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir temp;
    // The history the pictures show is the temporary installation's, never the user's own.
    qputenv("XDG_DATA_HOME", temp.filePath("data").toLocal8Bit());
    const std::string game = temp.filePath("game").toStdString();
    b3::sample::WriteSampleInstallation(game);
    b3::editor::EditObjectHolder editObject(b3::CreateOptions{.installFolder = game});
    editObject.CreateEditObject();

    // Every question is answered with OK, and said on standard error.
    b3::editor::SilentServices services(b3::editor::MsgResult::Ok, true);
    services.onMessage = [](const QString& text) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    };
    b3::editor::frmB3Editor w(services, editObject);
    w.show();
    // The window as on a screen larger than the headless one.
    w.resize(960, 720);
    const char* files[] = {"items.png", "armies.png", "heroes.png", "sites.png", "spells.png"};
    const char* objects[] = {"", "Elven Archers", "", "", ""};
    for (int tab = 0; tab < 5; ++tab) {
        w.sstEditor->setCurrentIndex(tab);
        // The second object of the list shows more than the first in most kinds.
        if (objects[tab][0]) {
            Select(w, objects[tab]);
        } else {
            w.cboEditObject->setCurrentIndex(w.cboEditObject->count() > 1 ? 1 : 0);
        }
        app.processEvents();
        w.grab().save(out + "/" + files[tab]);
    }
    // The heroes on a small screen: the tab scrolls, and the find box narrows the list.
    w.sstEditor->setCurrentIndex(2);
    // As the window fits a 1024 by 600 screen, title bar and borders included.
    w.resize(b3::ui::RoomOnScreen(QSize(1024, 600)));
    w.txtFilter->setText("wa");
    w.cboEditObject->setCurrentIndex(0);
    app.processEvents();
    w.grab().save(out + "/editor-1024x600.png");
    w.txtFilter->clear();
    w.cboEditObject->setCurrentIndex(0);
    if (b3::editor::frmHeroProps* props = w.heroProps()) {
        props->StartFromPreexistArray(w.DataArray(), w.SelectedRowKey());
        props->show();
        app.processEvents();
        props->grab().save(out + "/hero_properties.png");
        props->hide();
    }
    // The history of an army made stronger, then renamed and given another picture in one
    // save: two operations, the newest with its two files open below it.
    {
        w.sstEditor->setCurrentIndex(1);
        auto& eo = editObject.EditObject();
        const b3::DataArray armies = eo.GetEditObjectData(1);
        for (std::size_t r = 0; r < armies.rows(); ++r) {
            if (armies.at(r, 3).toString() != "ORCS") continue;
            b3::ObjectArray row = armies.row(r);
            row[5] = b3::Cell::byte(4);
            eo.WriteObject(row, 1);
            const b3::HistoryOperation save(eo.InstallPath(), "save");
            row[1] = b3::Cell::text("Orc Raiders");
            row[9] = b3::Cell::byte(3);
            eo.WriteObject(row, 1);
            const std::string picture = eo.ArmyPath() + "/ORCS.PCX";
            b3::KeepBeforeChange(eo.InstallPath(), picture, "picture", 1, "ORCS");
            std::error_code ec;
            b3::platform::CopyFileReplacing(eo.ArmyPath() + "/KNIGHTS.PCX", picture, ec);
        }
        const std::string install = eo.InstallPath();
        w.RefreshAll();  // a new edit object: `eo` is gone
        Select(w, "Orc Raiders");
        b3::editor::frmHistory history(services, install, 1, "ORCS", &w);
        history.show();
        history.lstVersions->expandAll();
        history.lstVersions->setCurrentItem(history.lstVersions->topLevelItem(0));
        app.processEvents();
        history.grab().save(out + "/history.png");
    }
    b3::editor::TakeCompareScreenshots(w, out, temp.path(), QSize(960, 720));
    // The 32 item pictures, twice their size, numbered 0 to 31 row by row.
    QImage sheet(8 * 72, 4 * 78, QImage::Format_RGB32);
    sheet.fill(QColor(240, 240, 240));
    {
        QPainter p(&sheet);
        for (int i = 0; i < 32; ++i) {
            const QRect cell((i % 8) * 72 + 4, (i / 8) * 78 + 2, 64, 64);
            p.drawPixmap(cell, b3::editor::ItemBitmap(b3::editor::kFirstItemBitmap + i));
            p.drawText(QRect(cell.left(), cell.bottom() + 1, 64, 12), Qt::AlignCenter,
                       QString::number(i));
        }
    }
    sheet.save(out + "/item_pictures.png");
    std::printf("screenshots written to %s\n", argv[1]);
    editObject.ReleaseEditObject();
    return 0;
}
