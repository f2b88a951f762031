#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "admin/HopChonThuMuc.h"
#include "common/CumThu.h"
#include "shell/BanDichQt.h"

namespace {

// The chooser starts at the folder now set, or at the nearest one above it that still exists; a setting
// that names no folder on this machine starts it at home.
TEST(HopChonThuMuc, BatDauOThuMucGanNhatConTonTai) {
    QTemporaryDir tam;
    const QString coThat = tam.filePath("Korvane Zize");
    ASSERT_TRUE(QDir().mkpath(coThat));
    QFile tep(tam.filePath("tep"));
    ASSERT_TRUE(tep.open(QIODevice::WriteOnly));
    tep.close();
    struct Ca {
        QString hienTai;
        QString batDau;
    };
    const Ca ca[] = {
        {coThat, coThat},
        {coThat + "/", coThat},
        {coThat + "/da xoa/sau hon", coThat},
        {tam.filePath("tep"), tam.path()},
        {tam.filePath("tep/khong the"), tam.path()},
        {"", QDir::homePath()},
        {"tuong-doi/thu-muc", QDir::homePath()},
    };
    for (const Ca& x : ca) EXPECT_EQ(thuMucBatDau(x.hienTai), x.batDau) << x.hienTai.toStdString();
}

TEST(HopChonThuMuc, ChiChonThuMucVaNoiTiengViet) {
    QTemporaryDir tam;
    std::unique_ptr<QFileDialog> hop(taoHopChonThuMuc(nullptr, tam.filePath("chua co")));
    EXPECT_EQ(hop->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(hop->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(QDir(hop->directory()).absolutePath(), QDir(tam.path()).absolutePath());
    EXPECT_EQ(hop->labelText(QFileDialog::Accept), "Chọn");
    EXPECT_EQ(hop->labelText(QFileDialog::Reject), "Huỷ");
    EXPECT_EQ(hop->windowTitle(), "Chọn thư mục");
}
}  // namespace

namespace {
// Every word a piece of the chooser shows: captions, tips, the views' rows and headers, and the actions of its
// buttons and menus.
void gomChu(QWidget* w, QStringList& ra) {
    auto them = [&ra](const QString& s) {
        if (!s.isEmpty()) ra << s;
    };
    them(w->toolTip());
    them(w->whatsThis());
    them(w->accessibleName());
    if (auto* n = qobject_cast<QLabel*>(w)) them(n->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) them(b->text());
    if (auto* o = qobject_cast<QLineEdit*>(w)) {
        them(o->text());
        them(o->placeholderText());
    }
    if (auto* h = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < h->count(); ++i) them(h->itemText(i));
    if (auto* v = qobject_cast<QAbstractItemView*>(w)) {
        QAbstractItemModel* m = v->model();
        for (int c = 0; m && c < m->columnCount(v->rootIndex()); ++c) them(m->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; m && r < m->rowCount(v->rootIndex()); ++r)
            for (int c = 0; c < m->columnCount(v->rootIndex()); ++c) {
                const QModelIndex i = m->index(r, c, v->rootIndex());
                them(i.data(Qt::DisplayRole).toString());
                them(i.data(Qt::ToolTipRole).toString());
            }
    }
    for (QAction* a : w->actions()) {
        them(a->text());
        them(a->toolTip());
    }
}

// Opens a widget's context menu as a right click does, and hands back the texts of the menu while it is open.
// The picture of the dialog with the menu over it is kept when a file name is given.
QStringList menuNguCanh(QWidget* w, QPoint o, QWidget* hop = nullptr, const QString& anh = {}) {
    QStringList ra;
    QTimer::singleShot(300, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions()) {
            ra << a->text() << a->toolTip();
            if (a->menu())
                for (QAction* con : a->menu()->actions()) ra << con->text();
        }
        if (hop && !anh.isEmpty()) {
            QImage tranh = hop->grab().toImage();
            QPainter p(&tranh);
            p.drawPixmap(hop->mapFromGlobal(menu->pos()), menu->grab());
            p.end();
            tranh.save(anh);
        }
        menu->close();
    });
    QContextMenuEvent suKien(QContextMenuEvent::Mouse, o, w->mapToGlobal(o));
    QCoreApplication::sendEvent(w, &suKien);
    QCoreApplication::processEvents();
    return ra;
}

// Debian has no Vietnamese translation of Qt, so without ours the chooser says "Computer", "Name", "Date
// Modified", "Show hidden files"... Every word it shows, in its panes and in its menus, must be Vietnamese: the
// only words in plain Latin letters allowed are the Vietnamese ones written without marks, the names of the
// folders shown, and the key names printed on the keyboard.
TEST(HopChonThuMuc, MoiChuDeuTiengViet) {
    ASSERT_TRUE(caiBanDichQt());
    QTemporaryDir tam;
    ASSERT_TRUE(QDir().mkpath(tam.filePath("Ảnh đơn hàng")));
    ASSERT_TRUE(QDir().mkpath(tam.filePath("Sao lưu tháng 12")));
    std::unique_ptr<QFileDialog> hop(taoHopChonThuMuc(nullptr, tam.path()));
    hop->show();
    auto* cay = hop->findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(cay, nullptr);
    ASSERT_TRUE(cum_thu::choDen([&] { return cay->model()->rowCount(cay->rootIndex()) == 2; }));
    cum_thu::chay(300);

    QStringList chu{hop->windowTitle()};
    for (QWidget* w : hop->findChildren<QWidget*>()) gomChu(w, chu);
    const QModelIndex dong = cay->model()->index(0, 0, cay->rootIndex());
    const QString thuMucAnh = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMucAnh);
    const QStringList menuCay =
        menuNguCanh(cay->viewport(), cay->visualRect(dong).center(), hop.get(), thuMucAnh + "/hopChonThuMuc-menu.png");
    EXPECT_TRUE(menuCay.contains("Hiện tệp ẩ&n")) << menuCay.join('|').toStdString();
    EXPECT_TRUE(menuCay.contains("Thư mục &mới")) << menuCay.join('|').toStdString();
    chu << menuCay;
    chu << menuNguCanh(cay->viewport(), QPoint(cay->viewport()->width() - 4, cay->viewport()->height() - 4));
    for (auto* ben : hop->findChildren<QListView*>(QStringLiteral("sidebar")))
        chu << menuNguCanh(ben->viewport(), ben->visualRect(ben->model()->index(0, 0)).center());
    for (auto* o : hop->findChildren<QLineEdit*>()) chu << menuNguCanh(o, QPoint(4, 4));
    EXPECT_TRUE(chu.contains("Máy tính")) << chu.join('|').toStdString();
    EXPECT_TRUE(chu.contains("Ngày sửa")) << chu.join('|').toStdString();

    // The folders and the path to them are the user's own names.
    QSet<QString> choPhep;
    const QRegularExpression tachTu(QStringLiteral("\\p{L}+"));
    auto themTu = [&](const QString& s) {
        for (auto it = tachTu.globalMatch(s); it.hasNext();) choPhep.insert(it.next().captured().toLower());
    };
    themTu(tam.path());
    themTu(QDir::homePath());
    for (const QString& ten : QDir(tam.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) themTu(ten);
    // Vietnamese written without marks, and key names as printed on the keys.
    for (const char* tu : {"tin", "thanh", "danh", "sach", "trong", "sang", "ban", "ten", "loai", "tai", "ho", "cha",
                           "chi", "dung", "ctrl", "shift", "alt", "del", "ins"})
        choPhep.insert(QString::fromLatin1(tu));
    const QRegularExpression chiLatinh(QStringLiteral("^[A-Za-z]+$"));
    QStringList tiengAnh;
    for (QString s : std::as_const(chu))
        for (auto it = tachTu.globalMatch(s.remove(QLatin1Char('&'))); it.hasNext();) {
            const QString tu = it.next().captured();
            if (chiLatinh.match(tu).hasMatch() && !choPhep.contains(tu.toLower())) tiengAnh << tu + " (" + s + ")";
        }
    tiengAnh.removeDuplicates();
    EXPECT_TRUE(tiengAnh.isEmpty()) << tiengAnh.join(", ").toStdString();
}
}  // namespace
