#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <nlohmann/json.hpp>

#include "common/CumThu.h"
#include "common/NhanDayDu.h"
#include "core/BangMau.h"
#include "core/KhungChinh.h"
#include "core/NhanMau.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhHangHoan.h"
#include "stations/NutDo.h"
#include "stations/NutVang.h"
#include "store/DongHoGia.h"
#include "store/MucChon.h"

namespace {
using cum_thu::choDen;
using json = nlohmann::json;

DonHang taoDon(const QString& id, const QString& ten, const QString& dienThoai, const QString& ngay,
               std::optional<QString> soDon = std::nullopt, QStringList vanDon = {}) {
    DonHang d;
    d.id = id;
    d.orderNumber = soDon;
    d.customerName = ten;
    d.customerPhone = dienThoai;
    d.createdAt = ngay;
    d.updatedAt = ngay;
    for (const QString& v : vanDon) d.trackings.append(MaVanDon{v, QString("GHN")});
    return d;
}

// A record as the coordinator leaves it in the store, without a video behind it.
BanGhiVideo taoBanGhi(const QString& id, const QString& kind, std::optional<QString> orderId, QStringList serials,
                      const QString& batDau) {
    BanGhiVideo bg;
    bg.id = id;
    bg.kind = kind;
    bg.code = "MA-" + id;
    bg.orderId = orderId;
    bg.serials = serials;
    bg.filePath = "/khong/co/" + id + ".mp4";
    bg.fileName = id + ".mp4";
    bg.bytes = 1000;
    bg.sha256 = QString(64, 'a');
    bg.startedAt = batDau;
    bg.endedAt = batDau;
    bg.durationSec = 5;
    bg.keepForever = false;
    bg.deleted = false;
    bg.invalid = false;
    return bg;
}

struct CanhHangHoan : cum_thu::Cum {
    DongHoGia dongHo;
    std::unique_ptr<ManHinhHangHoan> man;
    CanhHangHoan() {
        dongHo.datGiayThuc(1740794645.0);  // 2025-03-01T02:04:05Z
        taoDieuPhoi();
        man = std::make_unique<ManHinhHangHoan>(dieuPhoi.get(), dongHo);
        man->resize(1240, 820);
        man->show();
        QCoreApplication::processEvents();
    }
    ~CanhHangHoan() {
        if (camera().dangGhi()) {
            dieuPhoi->ketThucQuay();
            choNghi();
        }
        man.reset();
    }
    void themDon(const DonHang& d) { kho->capNhatDon(d); }
    void luuBanGhi(const BanGhiVideo& bg) {
        kho->ghiBanGhiVideo(bg, kho->thuMucBanGhiVideo(), KhoDuLieu::tienToVideo());
        kho->datVideo(bg);
    }
    // The form opened as the coordinator's announcement of a saved returns record opens it.
    void moFormCho(const BanGhiVideo& bg) {
        luuBanGhi(bg);
        emit dieuPhoi->daLuuVideo(bg);
    }
    void timBang(const QString& chu) {
        man->oTuKhoa()->setText(chu);
        QTest::keyClick(man->oTuKhoa(), Qt::Key_Return);
    }
    // Films a returns video from the start button to the stop button and waits for its form.
    bool quayMotKien() {
        man->nutBatDau()->click();
        if (!choDangGhi(true)) return false;
        if (!choDen([this] { return camera().giayDaGhi() >= 2; })) return false;
        man->nutDung()->click();
        return choDen([this] { return man->banGhiVuaQuay().has_value(); }) && choNghi();
    }
    // The last line stored for a record id.
    json dongCuoi(const QString& id) const {
        json kq;
        QDir thuMuc(kho->thuMucBanGhiVideo());
        for (const QString& ten : thuMuc.entryList({"*.jsonl"}, QDir::Files, QDir::Name)) {
            QFile f(thuMuc.filePath(ten));
            if (!f.open(QIODevice::ReadOnly)) continue;
            for (const QByteArray& dong : f.readAll().split('\n')) {
                if (dong.isEmpty()) continue;
                json j = json::parse(dong.toStdString(), nullptr, false);
                if (j.is_object() && j.value("id", "") == id.toStdString()) kq = j;
            }
        }
        return kq;
    }
    json nhatKyCuoi() const {
        QFile f(kho->duongDanNhatKy());
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QList<QByteArray> dong = f.readAll().trimmed().split('\n');
        return json::parse(dong.last().toStdString(), nullptr, false);
    }
};

QSet<QString> tapTu(const json& ds) {
    QSet<QString> kq;
    for (const auto& s : ds) kq.insert(QString::fromStdString(s.get<std::string>()));
    return kq;
}

TEST(ManHinhHangHoan, LucMoiHienVaCheDoTheoManHinh) {
    CanhHangHoan c;
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    EXPECT_TRUE(c.man->hienGoiYSeal());
    EXPECT_FALSE(c.man->hienHuyHieu());
    EXPECT_FALSE(c.man->nutBatDau()->isHidden());
    EXPECT_TRUE(c.man->nutDung()->isHidden());
    EXPECT_EQ(c.man->nutBatDau()->text(), "Bắt đầu quay (chưa chọn đơn)");
    EXPECT_FALSE(c.man->bangTim()->isHidden());
    EXPECT_TRUE(c.man->toKhai()->isHidden());
    EXPECT_TRUE(c.man->chuKhongThay()->isHidden());
    EXPECT_TRUE(c.man->hopDonChon()->isHidden());
    const QStringList buoc = c.man->cacDongBuoc();
    ASSERT_EQ(buoc.size(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(buoc[i], QString::number(i + 1) + ". " + cacBuocMoKien()[i]);

    // The mode follows the screen; its view state does not reset while it is merely hidden.
    c.man->oTuKhoa()->setText("abc");
    QTest::keyClick(c.man->oTuKhoa(), Qt::Key_Return);
    c.man->hide();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    c.man->show();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    EXPECT_EQ(c.man->tuKhoa(), "abc");
}

// The seal hint stands over the picture in a box that narrows with the window: in the narrowest main window its
// two lines wrap rather than being cut off at both ends, and in a wide one each stays on one line.
TEST(ManHinhHangHoan, GoiYSealVuaKhungOCuaSoHep) {
    CanhHangHoan c;
    QLabel* tieuDe = nullptr;
    for (QLabel* l : c.man->findChildren<QLabel*>())
        if (l->text().contains(QStringLiteral("NGUYÊN SEAL"))) tieuDe = l;
    ASSERT_NE(tieuDe, nullptr);
    QWidget* goiY = tieuDe->parentWidget();
    auto* hinh = c.man->findChild<KhungCamera*>();
    ASSERT_NE(hinh, nullptr);
    ASSERT_EQ(goiY->parentWidget(), hinh->parentWidget());
    for (int rong : {1240, 899}) {
        c.man->resize(rong, 800);
        QCoreApplication::processEvents();
        ASSERT_TRUE(c.man->hienGoiYSeal());
        EXPECT_TRUE(hinh->geometry().contains(goiY->geometry())) << rong;
        for (QLabel* l : goiY->findChildren<QLabel*>()) {
            if (l->text().isEmpty()) continue;
            const QRect can = l->fontMetrics().boundingRect(QRect(0, 0, l->width(), 10000),
                                                            Qt::TextWordWrap | Qt::AlignHCenter, l->text());
            EXPECT_LE(can.width(), l->width()) << rong << " " << l->text().toStdString();
            EXPECT_LE(can.height(), l->height()) << rong << " " << l->text().toStdString();
            if (rong == 1240) {
                EXPECT_LT(l->height(), 2 * l->fontMetrics().lineSpacing()) << l->text().toStdString();
            }
        }
    }
}

TEST(ManHinhHangHoan, TimMotKetQuaThiChonNhieuKetQuaThiGiuLuaChon) {
    CanhHangHoan c;
    DonHang a = taoDon("A1", "Trần Văn An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"});
    MatHang mh;
    mh.title = "Máy sấy tóc";
    mh.quantity = 2;
    a.items = {mh};
    c.themDon(a);
    c.themDon(taoDon("B1", "Lê Thị Bình", "0902222333", "2025-02-03T01:00:00Z"));
    c.themDon(taoDon("B2", "Lê Thị Bích", "0902222444", "2025-02-02T01:00:00Z"));

    // The empty-result line shows as soon as the field holds text, before any search ran.
    c.man->oTuKhoa()->clear();
    QTest::keyClicks(c.man->oTuKhoa(), "xyz");
    EXPECT_EQ(c.man->tuKhoa(), "xyz");
    EXPECT_FALSE(c.man->chuKhongThay()->isHidden());

    c.timBang("0901111");
    ASSERT_EQ(c.man->ketQuaTim().size(), 1);
    ASSERT_TRUE(c.man->donChon().has_value());
    EXPECT_EQ(c.man->donChon()->id, "A1");
    EXPECT_EQ(c.man->nutBatDau()->text(), "Bắt đầu quay mở kiện");
    EXPECT_EQ(c.man->cacDongDonChon(), (QStringList{"Đã chọn: Trần Văn An", "GHN-A1", "· Máy sấy tóc ×2"}));
    EXPECT_TRUE(c.man->chuKhongThay()->isHidden());

    // Two hits: listed newest first, the earlier choice stays until a row is clicked.
    c.man->oTuKhoa()->setText("Lê Thị");
    c.man->nutTim()->click();
    ASSERT_EQ(c.man->ketQuaTim().size(), 2);
    EXPECT_EQ(c.man->donChon()->id, "A1");
    ASSERT_EQ(c.man->dongKetQua().size(), 2);
    EXPECT_EQ(c.man->dongKetQua()[0]->objectName(), "B1");
    c.man->dongKetQua()[1]->click();
    EXPECT_EQ(c.man->donChon()->id, "B2");
    EXPECT_EQ(c.man->cacDongDonChon().value(1), "B2");  // no tracking, no order number: the id
    EXPECT_EQ(c.man->tuKhoa(), "Lê Thị");
    EXPECT_EQ(c.man->ketQuaTim().size(), 2);

    // Nothing found keeps the choice, so the empty-result line stays hidden.
    c.timBang("khong-co-ai");
    EXPECT_TRUE(c.man->ketQuaTim().isEmpty());
    EXPECT_TRUE(c.man->dongKetQua().isEmpty());
    EXPECT_EQ(c.man->donChon()->id, "B2");
    EXPECT_TRUE(c.man->chuKhongThay()->isHidden());
}

TEST(ManHinhHangHoan, MaQuetDienVaoOTimVaTimLai) {
    CanhHangHoan c;
    c.themDon(taoDon("A1", "An", "0901", "2025-02-01T01:00:00Z", "1001", {"SPXVN777"}));
    c.themDon(taoDon("B1", "Bình", "0902", "2025-02-02T01:00:00Z", "1002"));
    c.dieuPhoi->nhapMaTay("SPXVN777");
    EXPECT_EQ(c.man->tuKhoa(), "SPXVN777");
    EXPECT_EQ(c.man->oTuKhoa()->text(), "SPXVN777");
    ASSERT_TRUE(c.man->donChon().has_value());
    EXPECT_EQ(c.man->donChon()->id, "A1");
    EXPECT_FALSE(c.dieuPhoi->maVuaQuet().has_value());

    // The same label scanned again searches again, taking back a choice made by hand since.
    c.man->chonDon(*c.kho->donTheoMa("1002"));
    c.dieuPhoi->nhapMaTay("SPXVN777");
    EXPECT_EQ(c.man->donChon()->id, "A1");

    // An empty or absent code changes nothing.
    c.man->khiQuetMa(QString());
    c.man->khiQuetMa(std::nullopt);
    EXPECT_EQ(c.man->tuKhoa(), "SPXVN777");
}

TEST(ManHinhHangHoan, MaDeQuay) {
    const DonHang coVanDon = taoDon("1", "A", "0", "", "1001", {"GHN1", "GHN2"});
    const DonHang chiCoSoDon = taoDon("2", "B", "0", "", "1002");
    const DonHang khongMa = taoDon("3", "C", "0", "");
    const struct {
        std::optional<DonHang> don;
        QString tuKhoa;
        QString ma;
    } cac[] = {
        {coVanDon, "0909", "GHN1"}, {chiCoSoDon, "0909", "1002"},           {khongMa, " 0909 ", " 0909 "},
        {khongMa, "", "KHONG-DON"}, {std::nullopt, " tim gi ", " tim gi "}, {std::nullopt, "", "KHONG-DON"},
    };
    for (const auto& k : cac) EXPECT_EQ(ManHinhHangHoan::maDeQuay(k.don, k.tuKhoa), k.ma) << k.tuKhoa.toStdString();
}

TEST(ManHinhHangHoan, QuayKhongChonDonDungTuKhoaNguyenVan) {
    CanhHangHoan c;
    ASSERT_TRUE(c.moCamera());
    c.man->oTuKhoa()->setText(" 0977 ");
    ASSERT_TRUE(c.quayMotKien());
    EXPECT_EQ(c.man->banGhiVuaQuay()->code, " 0977 ");
    EXPECT_EQ(c.man->banGhiVuaQuay()->kind, "return");
    EXPECT_FALSE(c.man->banGhiVuaQuay()->orderId.has_value());
    // No order: nothing to compare, and saving adds no different-serial condition.
    c.man->oSerial()->setText("SN1");
    EXPECT_EQ(c.man->dongDoiChieu()->text(), "Lúc gửi đi không ghi serial nào cho đơn này, nên không đối chiếu được.");
    c.man->nutLuu()->click();
    ASSERT_TRUE(c.man->daLuuKhai());
    const json dong = c.dongCuoi(c.man->banGhiVuaQuay()->id);
    EXPECT_TRUE(dong["returnInfo"]["conditions"].empty());
    EXPECT_FALSE(dong.value("keepForever", false));
}

TEST(ManHinhHangHoan, QuayRoiKhaiBaoVaLuuVaoBanGhi) {
    CanhHangHoan c;
    c.themDon(taoDon("A1", "Trần Văn An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"SN-AB12"}, "2025-02-01T02:00:00Z"));
    ASSERT_TRUE(c.moCamera());
    c.timBang("0901111222");
    ASSERT_TRUE(c.man->donChon().has_value());

    c.man->nutBatDau()->click();
    ASSERT_TRUE(c.choDangGhi(true));
    EXPECT_FALSE(c.man->hienGoiYSeal());
    EXPECT_TRUE(c.man->hienHuyHieu());
    EXPECT_TRUE(c.man->nutBatDau()->isHidden());
    EXPECT_FALSE(c.man->nutDung()->isHidden());
    EXPECT_EQ(c.man->nutDung()->text(), "Dừng quay và khai báo");
    ASSERT_TRUE(choDen([&] { return c.camera().giayDaGhi() >= 2; }));
    EXPECT_EQ(c.man->chuHuyHieu(), QString::asprintf("HÀNG HOÀN · 00:%02d", c.camera().giayDaGhi()));
    EXPECT_EQ(c.dieuPhoi->donHienTai()->id, "A1");
    EXPECT_FALSE(c.man->bangTim()->isHidden());  // still usable while filming

    c.man->nutDung()->click();
    ASSERT_TRUE(choDen([&] { return c.man->banGhiVuaQuay().has_value(); }));
    ASSERT_TRUE(c.choNghi());
    EXPECT_TRUE(c.man->bangTim()->isHidden());
    EXPECT_FALSE(c.man->toKhai()->isHidden());
    EXPECT_TRUE(c.man->hienGoiYSeal());
    ASSERT_TRUE(c.man->chuThongBao().has_value());
    EXPECT_TRUE(c.man->chuThongBao()->startsWith("Đã lưu "));
    const QString id = c.man->banGhiVuaQuay()->id;
    EXPECT_EQ(c.man->banGhiVuaQuay()->orderId, "A1");
    EXPECT_EQ(c.man->banGhiVuaQuay()->code, "GHN-A1");

    c.man->chonLyDo()->setCurrentIndex(2);
    c.man->oTinhTrang("thieu-phu-kien")->click();
    c.man->oTinhTrang("co-vet-xuoc")->click();
    c.man->oTinhTrang("co-vet-xuoc")->click();
    c.man->oSerial()->setText("  sn ab12 \n");
    EXPECT_EQ(c.man->dongDoiChieu()->text(), "Khớp với serial đã gửi: SN-AB12");
    c.man->chonXuLy()->setCurrentIndex(1);
    c.man->oGhiChu()->setText("   ");
    c.man->nutLuu()->click();

    EXPECT_TRUE(c.man->daLuuKhai());
    EXPECT_EQ(c.man->nutLuu()->text(), "Đã lưu");
    EXPECT_FALSE(c.man->nutLuu()->isEnabled());
    EXPECT_FALSE(c.man->chuDaLuu()->isHidden());
    // The form keeps what was typed; the record it declares is not swapped for the rewritten one.
    EXPECT_EQ(c.man->oSerial()->text(), "  sn ab12 \n");
    EXPECT_FALSE(c.man->banGhiVuaQuay()->returnInfo.has_value());

    const json dong = c.dongCuoi(id);
    EXPECT_EQ(dong["kind"], "return");
    EXPECT_EQ(dong["keepForever"], true);
    const json& ri = dong["returnInfo"];
    EXPECT_EQ(ri["reason"], danhSachLyDo()[2].id.toStdString());
    EXPECT_EQ(tapTu(ri["conditions"]), QSet<QString>{"thieu-phu-kien"});
    EXPECT_EQ(ri["serial"], "sn ab12");
    EXPECT_EQ(ri["note"], "");
    EXPECT_EQ(ri["decision"], danhSachXuLy()[1].id.toStdString());
    EXPECT_EQ(ri["savedAt"], "2025-03-01T02:04:05Z");
    EXPECT_EQ(c.kho->videoTheoId().value(id).returnInfo->serial, "sn ab12");
    const json nk = c.nhatKyCuoi();
    EXPECT_EQ(nk["event"], "return_info");
    EXPECT_EQ(nk["detail"]["id"], id.toStdString());

    // Next parcel: everything back to where a fresh screen starts.
    c.man->nutKienTiep()->click();
    EXPECT_FALSE(c.man->banGhiVuaQuay().has_value());
    EXPECT_FALSE(c.man->daLuuKhai());
    EXPECT_FALSE(c.man->donChon().has_value());
    EXPECT_TRUE(c.man->ketQuaTim().isEmpty());
    EXPECT_TRUE(c.man->tuKhoa().isEmpty());
    EXPECT_TRUE(c.man->oTuKhoa()->text().isEmpty());
    EXPECT_TRUE(c.man->tinhTrang().isEmpty());
    EXPECT_EQ(c.man->lyDo(), "loi-ky-thuat");
    EXPECT_EQ(c.man->xuLy(), "cho-xu-ly");
    EXPECT_EQ(c.man->chonLyDo()->currentIndex(), 0);
    EXPECT_EQ(c.man->chonXuLy()->currentIndex(), 0);
    EXPECT_TRUE(c.man->oSerial()->text().isEmpty());
    EXPECT_TRUE(c.man->oGhiChu()->text().isEmpty());
    EXPECT_FALSE(c.man->oTinhTrang("thieu-phu-kien")->isChecked());
    EXPECT_FALSE(c.man->bangTim()->isHidden());
    EXPECT_TRUE(c.man->toKhai()->isHidden());
    EXPECT_EQ(c.man->nutBatDau()->text(), "Bắt đầu quay (chưa chọn đơn)");
    // The coordinator keeps its order; the button only touches the screen.
    EXPECT_EQ(c.dieuPhoi->donHienTai()->id, "A1");
}

TEST(ManHinhHangHoan, DongDoiChieuSerial) {
    CanhHangHoan c;
    // Two packing videos of the order (the newer listed first), a returns video that does not count,
    // and a deleted packing video that does not either.
    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"OLD-1"}, "2025-01-01T00:00:00Z"));
    c.luuBanGhi(taoBanGhi("p2", "pack", QString("A1"), {"SN-AB.12_x", "NEW-2"}, "2025-01-05T00:00:00Z"));
    c.luuBanGhi(taoBanGhi("h0", "return", QString("A1"), {"HOAN-9"}, "2025-01-06T00:00:00Z"));
    BanGhiVideo xoa = taoBanGhi("p3", "pack", QString("A1"), {"XOA-3"}, "2025-01-07T00:00:00Z");
    xoa.deleted = true;
    c.luuBanGhi(xoa);
    c.moFormCho(taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T00:00:00Z"));
    ASSERT_FALSE(c.man->toKhai()->isHidden());
    const QString ds = "SN-AB.12_x, NEW-2, OLD-1";

    const struct {
        const char* serial;
        QString dong;
        const MauDong* mau;
    } cac[] = {
        {"", "Serial đã gửi: " + ds, &BangMau::mauChuPhu},
        {"   ", "Serial đã gửi: " + ds, &BangMau::mauChuPhu},
        {"snab12x", "Khớp với serial đã gửi: " + ds, &BangMau::mauXanhLa},
        {"#sn ab-12.X", "Khớp với serial đã gửi: " + ds, &BangMau::mauXanhLa},
        {" old_1 ", "Khớp với serial đã gửi: " + ds, &BangMau::mauXanhLa},
        {"SN-AB13", "KHÁC! Lúc gửi đi là " + ds + ". Đây không phải máy đã gửi.", &BangMau::mauDo},
        {"HOAN-9", "KHÁC! Lúc gửi đi là " + ds + ". Đây không phải máy đã gửi.", &BangMau::mauDo},
    };
    for (const auto& k : cac) {
        c.man->oSerial()->setText(k.serial);
        EXPECT_EQ(c.man->dongDoiChieu()->text(), k.dong) << k.serial;
        EXPECT_EQ(c.man->dongDoiChieu()->mauChu(), k.mau->mau()) << k.serial;
    }
}

TEST(ManHinhHangHoan, SaiSerialTuDanhDauVaKhiLuu) {
    CanhHangHoan c;
    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"SN-1"}, "2025-01-01T00:00:00Z"));
    const BanGhiVideo h1 = taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T00:00:00Z");
    c.moFormCho(h1);
    QCheckBox* sai = c.man->oTinhTrang("sai-serial");

    // A mismatch on the line's first appearance ticks nothing, but saving still declares it.
    c.man->oSerial()->setText("SN-2");
    EXPECT_FALSE(sai->isChecked());
    c.man->nutLuu()->click();
    ASSERT_TRUE(c.man->daLuuKhai());
    json ri = c.dongCuoi("h1")["returnInfo"];
    EXPECT_EQ(tapTu(ri["conditions"]), QSet<QString>{"sai-serial"});
    EXPECT_EQ(c.dongCuoi("h1")["keepForever"], true);
    EXPECT_FALSE(sai->isChecked());

    // The next record: match, then a different serial ticks the box; matching again leaves it on.
    const BanGhiVideo h2 = taoBanGhi("h2", "return", QString("A1"), {}, "2025-02-02T00:00:00Z");
    c.moFormCho(h2);
    EXPECT_FALSE(c.man->daLuuKhai());
    EXPECT_EQ(c.man->nutLuu()->text(), "Lưu tờ khai");
    EXPECT_TRUE(c.man->nutLuu()->isEnabled());
    c.man->oSerial()->setText("SN-1");
    EXPECT_FALSE(sai->isChecked());
    c.man->oSerial()->setText("SN-9");
    EXPECT_TRUE(sai->isChecked());
    EXPECT_TRUE(c.man->tinhTrang().contains("sai-serial"));
    c.man->oSerial()->setText("SN-1");
    EXPECT_TRUE(sai->isChecked());
    sai->click();
    EXPECT_FALSE(c.man->tinhTrang().contains("sai-serial"));

    // Emptied after a mismatch: the grey line, and no automatic condition on saving. The line that
    // comes back afterwards is a first appearance again, not a change.
    c.man->oSerial()->setText("");
    c.man->oSerial()->setText("SN-9");
    EXPECT_FALSE(sai->isChecked());
    c.man->oSerial()->setText("");
    EXPECT_TRUE(c.man->dongDoiChieu()->text().startsWith("Serial đã gửi: "));
    EXPECT_TRUE(c.man->tinhTrang().isEmpty());
    c.man->nutLuu()->click();
    ri = c.dongCuoi("h2")["returnInfo"];
    EXPECT_TRUE(ri["conditions"].is_array());
    EXPECT_TRUE(ri["conditions"].empty());
    EXPECT_EQ(ri["serial"], "");
    EXPECT_EQ(c.dongCuoi("h2")["keepForever"], false);
}

TEST(ManHinhHangHoan, LuuHongThiNutVanBam) {
    CanhHangHoan c;
    // A record the store does not hold.
    const BanGhiVideo lac = taoBanGhi("lac", "return", std::nullopt, {}, "2025-02-01T00:00:00Z");
    emit c.dieuPhoi->daLuuVideo(lac);
    c.man->nutLuu()->click();
    EXPECT_FALSE(c.man->daLuuKhai());
    EXPECT_TRUE(c.man->nutLuu()->isEnabled());
    EXPECT_EQ(c.man->nutLuu()->text(), "Lưu tờ khai");
    EXPECT_TRUE(c.man->chuDaLuu()->isHidden());

    // A write error: the recordings folder has become a regular file.
    const BanGhiVideo h1 = taoBanGhi("h1", "return", std::nullopt, {}, "2025-02-01T00:00:00Z");
    c.moFormCho(h1);
    ASSERT_TRUE(QDir(c.kho->thuMucBanGhiVideo()).removeRecursively());
    QFile chan(c.kho->thuMucBanGhiVideo());
    ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    chan.close();
    c.man->oGhiChu()->setText("vỏ hộp móp");
    c.man->nutLuu()->click();
    EXPECT_FALSE(c.man->daLuuKhai());
    EXPECT_TRUE(c.man->nutLuu()->isEnabled());
    ASSERT_TRUE(c.man->chuThongBao().has_value());
    EXPECT_TRUE(c.man->chuThongBao()->startsWith("Không lưu được tờ khai mở kiện: "));
    EXPECT_EQ(c.man->oGhiChu()->text(), "vỏ hộp móp");

    // Once the folder is back, the same form saves.
    ASSERT_TRUE(QFile::remove(c.kho->thuMucBanGhiVideo()));
    c.man->nutLuu()->click();
    EXPECT_TRUE(c.man->daLuuKhai());
    EXPECT_EQ(c.dongCuoi("h1")["returnInfo"]["note"], "vỏ hộp móp");
}

// Starting the next recording from an open declaration clears what belongs to the parcel just declared (its
// record, the saved mark, the serial and the ticked conditions) but carries the reason, the decision, the note
// and the chosen order over to the next one.
TEST(ManHinhHangHoan, QuayTiepTuToKhaiGiuLyDoXuLyGhiChuVaDon) {
    CanhHangHoan c;
    c.themDon(taoDon("A1", "An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    ASSERT_TRUE(c.moCamera());
    c.timBang("0901111222");
    ASSERT_TRUE(c.man->donChon().has_value());
    c.moFormCho(taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T00:00:00Z"));
    c.man->chonLyDo()->setCurrentIndex(3);
    c.man->chonXuLy()->setCurrentIndex(2);
    c.man->oTinhTrang("co-vet-xuoc")->click();
    c.man->oSerial()->setText("SN-CU");
    c.man->oGhiChu()->setText("hộp móp");
    c.man->nutLuu()->click();
    ASSERT_TRUE(c.man->daLuuKhai());

    c.man->nutBatDau()->click();
    ASSERT_TRUE(c.choDangGhi(true));
    EXPECT_FALSE(c.man->banGhiVuaQuay().has_value());
    EXPECT_FALSE(c.man->daLuuKhai());
    EXPECT_TRUE(c.man->serialNhanVe().isEmpty());
    EXPECT_TRUE(c.man->tinhTrang().isEmpty());
    EXPECT_FALSE(c.man->bangTim()->isHidden());
    EXPECT_EQ(c.man->lyDo(), danhSachLyDo()[3].id);
    EXPECT_EQ(c.man->xuLy(), danhSachXuLy()[2].id);
    EXPECT_EQ(c.man->ghiChu(), "hộp móp");
    ASSERT_TRUE(c.man->donChon().has_value());
    EXPECT_EQ(c.man->donChon()->id, "A1");
    EXPECT_EQ(c.man->tuKhoa(), "0901111222");

    ASSERT_TRUE(choDen([&] { return c.camera().giayDaGhi() >= 1; }));
    c.man->nutDung()->click();
    ASSERT_TRUE(choDen([&] { return c.man->banGhiVuaQuay().has_value(); }));
    ASSERT_TRUE(c.choNghi());
    EXPECT_NE(c.man->banGhiVuaQuay()->id, "h1");
    // The new form shows the carried choices and a clean serial and condition list.
    EXPECT_EQ(c.man->chonLyDo()->currentIndex(), 3);
    EXPECT_EQ(c.man->chonXuLy()->currentIndex(), 2);
    EXPECT_EQ(c.man->oGhiChu()->text(), "hộp móp");
    EXPECT_TRUE(c.man->oSerial()->text().isEmpty());
    EXPECT_FALSE(c.man->oTinhTrang("co-vet-xuoc")->isChecked());
    EXPECT_EQ(c.man->nutLuu()->text(), "Lưu tờ khai");
    EXPECT_TRUE(c.man->nutLuu()->isEnabled());
    EXPECT_TRUE(c.man->chuDaLuu()->isHidden());
}

// A returns recording stopped by the length limit still gets its declaration, and a later stop that
// saves nothing does not take the form away.
TEST(ManHinhHangHoan, DungDoGioiHanVanMoTaKhai) {
    CanhHangHoan c;
    c.caiDat->setGiayToiDa(1);  // returns videos run to three times the limit
    ASSERT_TRUE(c.moCamera());
    c.man->nutBatDau()->click();
    ASSERT_TRUE(c.choDangGhi(true));
    ASSERT_TRUE(choDen([&] { return c.man->banGhiVuaQuay().has_value(); }, 15000));
    ASSERT_TRUE(c.choNghi());
    EXPECT_TRUE(c.dieuPhoi->thongBao().has_value());
    const QString id = c.man->banGhiVuaQuay()->id;
    EXPECT_EQ(c.man->banGhiVuaQuay()->kind, "return");
    EXPECT_EQ(c.man->banGhiVuaQuay()->code, "KHONG-DON");  // no order chosen, nothing typed
    EXPECT_FALSE(c.man->toKhai()->isHidden());

    c.man->tacVuDungQuay();
    cum_thu::chay(200);
    ASSERT_TRUE(c.man->banGhiVuaQuay().has_value());
    EXPECT_EQ(c.man->banGhiVuaQuay()->id, id);
    c.man->nutLuu()->click();
    EXPECT_TRUE(c.man->daLuuKhai());
    EXPECT_EQ(c.dongCuoi(id)["kind"], "return");
    EXPECT_TRUE(c.dongCuoi(id).contains("returnInfo"));

    // A stop with nothing recorded, after the save, neither clears nor reopens the saved form.
    c.man->tacVuDungQuay();
    cum_thu::chay(200);
    EXPECT_TRUE(c.man->daLuuKhai());
    EXPECT_FALSE(c.man->nutLuu()->isEnabled());
}

// The serial is compared with what was packed for the order of the record being declared, even when the
// search panel was used meanwhile to choose another parcel's order.
TEST(ManHinhHangHoan, DoiChieuTheoDonCuaBanGhi) {
    CanhHangHoan c;
    c.themDon(taoDon("A1", "An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    c.themDon(taoDon("B1", "Bình", "0903333444", "2025-02-02T01:00:00Z", "1002", {"GHN-B1"}));
    c.luuBanGhi(taoBanGhi("pa", "pack", QString("A1"), {"SN-A1"}, "2025-02-01T02:00:00Z"));
    c.luuBanGhi(taoBanGhi("pb", "pack", QString("B1"), {"SN-B9"}, "2025-02-02T02:00:00Z"));
    ASSERT_TRUE(c.moCamera());
    c.timBang("0901111222");
    c.man->nutBatDau()->click();
    ASSERT_TRUE(c.choDangGhi(true));
    c.timBang("0903333444");
    ASSERT_EQ(c.man->donChon()->id, "B1");
    ASSERT_TRUE(choDen([&] { return c.camera().giayDaGhi() >= 2; }));
    c.man->nutDung()->click();
    ASSERT_TRUE(choDen([&] { return c.man->banGhiVuaQuay().has_value(); }));
    ASSERT_EQ(c.man->banGhiVuaQuay()->orderId, "A1");

    c.man->oSerial()->setText("SN-A1");
    EXPECT_EQ(c.man->dongDoiChieu()->text(), "Khớp với serial đã gửi: SN-A1");
    EXPECT_FALSE(c.man->oTinhTrang("sai-serial")->isChecked());
    c.man->nutLuu()->click();
    ASSERT_TRUE(c.man->daLuuKhai());
    const json dong = c.dongCuoi(c.man->banGhiVuaQuay()->id);
    EXPECT_TRUE(dong["returnInfo"]["conditions"].empty());
    EXPECT_EQ(dong["keepForever"], false);
}

// The window's returns entry shows this screen; leaving it puts the coordinator back in packing mode and
// coming back starts from a fresh screen.
TEST(ManHinhHangHoan, MucHangHoanCuaCuaSo) {
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(3);
    KhungChinh khung(*cum.caiDat, cum.trangThai);
    khung.dangKyManHinh(KhungChinh::ManHinh::hangHoan,
                        [](TrangThaiApp& tt, CaiDat&) { return new ManHinhHangHoan(tt.dieuPhoi()); });
    cum.trangThai.datDieuPhoi(cum.dieuPhoi);
    khung.resize(1360, 860);
    khung.show();
    khung.chonManHinh(KhungChinh::ManHinh::hangHoan);
    QCoreApplication::processEvents();
    auto timMan = [&] { return khung.findChild<ManHinhHangHoan*>(); };
    ASSERT_NE(timMan(), nullptr);
    EXPECT_EQ(cum.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    emit cum.dieuPhoi->daLuuVideo(taoBanGhi("h1", "return", std::nullopt, {}, "2025-02-01T00:00:00Z"));
    timMan()->oSerial()->setText("X1");

    khung.chonManHinh(KhungChinh::ManHinh::dongGoi);
    QCoreApplication::processEvents();
    EXPECT_EQ(cum.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    khung.chonManHinh(KhungChinh::ManHinh::hangHoan);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    ASSERT_NE(timMan(), nullptr);
    EXPECT_EQ(cum.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    EXPECT_FALSE(timMan()->banGhiVuaQuay().has_value());
    EXPECT_TRUE(timMan()->serialNhanVe().isEmpty());
    EXPECT_FALSE(timMan()->bangTim()->isHidden());
}

}  // namespace

namespace {
// A search row is a button framing the customer's name and the phone line; a name too long for the column
// wraps, and the row must grow to show all of its lines.
TEST(ManHinhHangHoan, DongKetQuaTenDaiHienDuCacDong) {
    CanhHangHoan c;
    c.themDon(taoDon("L1", "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức",
                     "0903333444", "2025-02-04T01:00:00Z"));
    c.themDon(taoDon("L2", "Công ty Cổ phần Bán lẻ Kỹ thuật số Miền Nam", "0903333555", "2025-02-05T01:00:00Z"));
    c.timBang("Công ty");
    ASSERT_EQ(c.man->dongKetQua().size(), 2);
    for (const QSize co : {QSize(900, 700), QSize(1240, 820)}) {
        c.man->resize(co);
        cum_thu::chay(250);
        for (QPushButton* dong : c.man->dongKetQua()) {
            const QStringList cat = nhanBiCat(dong);
            EXPECT_TRUE(cat.isEmpty()) << co.width() << ": " << cat.join("; ").toStdString();
        }
        auto* ten = c.man->dongKetQua()[1]->findChild<QLabel*>();
        ASSERT_NE(ten, nullptr);
        EXPECT_GE(ten->height(), 2 * ten->fontMetrics().lineSpacing()) << co.width();
    }
}
}  // namespace
