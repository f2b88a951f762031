#include <gtest/gtest.h>

#include "stations/MauHangHoan.h"
#include "stations/MoHinhHangHoan.h"
#include "store/MucChon.h"

namespace {
using mau_hang_hoan::json;
using mau_hang_hoan::taoBanGhi;
using mau_hang_hoan::taoDon;
using mau_hang_hoan::tapTu;
using K = BoSuaBanGhi::KetLuanSerial;

// The returns form's model on a real coordinator, store and record editor over the fake recorder, with no
// widget anywhere: what it declares and stores is the point, not the capture pipeline.
struct CanhMoHinh : mau_hang_hoan::CumHangHoanGia {
    std::unique_ptr<MoHinhHangHoan> m;
    CanhMoHinh() { m = std::make_unique<MoHinhHangHoan>(dieuPhoi, *kho, sua.get(), dongHoToKhai); }
    // Starts a returns recording as the start button does and lets it begin.
    bool batDau() {
        m->batDauQuay();
        xuLySuKien();
        return camera.dangGhi() && dieuPhoi->trangThai() == BoDieuPhoi::TrangThai::dangQuay;
    }
    // Stops it after a few seconds of film and lets its form open.
    bool dungSau(int giay) {
        tien(std::chrono::seconds(giay));
        m->dungQuay();
        xuLySuKien();
        return m->banGhiVuaQuay().has_value() && dangNghi();
    }
};

TEST(MoHinhHangHoan, MaDeQuay) {
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
    for (const auto& k : cac) EXPECT_EQ(MoHinhHangHoan::maDeQuay(k.don, k.tuKhoa), k.ma) << k.tuKhoa.toStdString();
    EXPECT_EQ(MoHinhHangHoan::maHienThiDon(coVanDon), "GHN1");
    EXPECT_EQ(MoHinhHangHoan::maHienThiDon(chiCoSoDon), "1002");
    EXPECT_EQ(MoHinhHangHoan::maHienThiDon(khongMa), "3");
}

// A tracking entry may come before the carrier has numbered it: an empty code is never what a parcel is
// filmed or shown under while the order has anything else to go by.
TEST(MoHinhHangHoan, MaBoQuaVanDonRong) {
    const struct {
        const char* ten;
        DonHang don;
        QString tuKhoa, maQuay, maHienThi;
    } cac[] = {
        {"empty first, numbered second", taoDon("1", "A", "0", "", "1001", {"", "GHN2"}), "0909", "GHN2", "GHN2"},
        {"only empty entries", taoDon("2", "B", "0", "", "1002", {"", ""}), "0909", "1002", "1002"},
        {"empty entries, empty order number", taoDon("3", "C", "0", "", QString(""), {""}), "0909", "0909", "3"},
        {"empty entries, nothing typed", taoDon("4", "D", "0", "", std::nullopt, {""}), "", "KHONG-DON", "4"},
    };
    for (const auto& k : cac) {
        EXPECT_EQ(MoHinhHangHoan::maDeQuay(k.don, k.tuKhoa), k.maQuay) << k.ten;
        EXPECT_EQ(MoHinhHangHoan::maHienThiDon(k.don), k.maHienThi) << k.ten;
    }

    // Filmed from the model: the record and its file carry the numbered tracking code.
    CanhMoHinh c;
    c.themDon(taoDon("A1", "An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"", "SPXVN42"}));
    c.m->datTuKhoa("0901111222");
    c.m->timDon();
    ASSERT_TRUE(c.m->donChon().has_value());
    ASSERT_TRUE(c.batDau());
    ASSERT_TRUE(c.dungSau(2));
    EXPECT_EQ(c.m->banGhiVuaQuay()->code, "SPXVN42");
    EXPECT_EQ(c.m->banGhiVuaQuay()->orderId, QString("A1"));
    EXPECT_TRUE(c.m->banGhiVuaQuay()->fileName.contains("SPXVN42")) << c.m->banGhiVuaQuay()->fileName.toStdString();
    EXPECT_FALSE(c.m->banGhiVuaQuay()->fileName.contains("KHONG-MA"));
}

TEST(MoHinhHangHoan, TimMotKetQuaThiChonNhieuKetQuaThiGiuLuaChon) {
    CanhMoHinh c;
    c.themDon(taoDon("A1", "Trần Văn An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    c.themDon(taoDon("B1", "Lê Thị Bình", "0902222333", "2025-02-03T01:00:00Z"));
    c.themDon(taoDon("B2", "Lê Thị Bích", "0902222444", "2025-02-02T01:00:00Z"));

    // Nothing found is said as soon as there is text, before any search ran.
    EXPECT_FALSE(c.m->khongThayDon());
    c.m->datTuKhoa("xyz");
    EXPECT_EQ(c.m->tuKhoa(), "xyz");
    EXPECT_TRUE(c.m->khongThayDon());

    c.m->datTuKhoa("0901111");
    c.m->timDon();
    ASSERT_EQ(c.m->ketQuaTim().size(), 1);
    ASSERT_TRUE(c.m->donChon().has_value());
    EXPECT_EQ(c.m->donChon()->id, "A1");
    EXPECT_FALSE(c.m->khongThayDon());

    // Two hits: listed newest first, the earlier choice stays until one is chosen.
    c.m->datTuKhoa("Lê Thị");
    c.m->timDon();
    ASSERT_EQ(c.m->ketQuaTim().size(), 2);
    EXPECT_EQ(c.m->ketQuaTim()[0].id, "B1");
    EXPECT_EQ(c.m->donChon()->id, "A1");
    c.m->chonDon(c.m->ketQuaTim()[1]);
    EXPECT_EQ(c.m->donChon()->id, "B2");
    EXPECT_EQ(c.m->tuKhoa(), "Lê Thị");
    EXPECT_EQ(c.m->ketQuaTim().size(), 2);

    // Nothing found keeps the choice, so nothing-found is not said.
    c.m->datTuKhoa("khong-co-ai");
    c.m->timDon();
    EXPECT_TRUE(c.m->ketQuaTim().isEmpty());
    EXPECT_EQ(c.m->donChon()->id, "B2");
    EXPECT_FALSE(c.m->khongThayDon());
}

TEST(MoHinhHangHoan, MaQuetThanhTuKhoaVaTimLai) {
    CanhMoHinh c;
    c.themDon(taoDon("A1", "An", "0901", "2025-02-01T01:00:00Z", "1001", {"SPXVN777"}));
    c.themDon(taoDon("B1", "Bình", "0902", "2025-02-02T01:00:00Z", "1002"));
    c.dieuPhoi->datCheDo(BoDieuPhoi::CheDo::hangHoan);  // as the shown screen puts it
    c.dieuPhoi->nhapMaTay("SPXVN777");
    EXPECT_EQ(c.m->tuKhoa(), "SPXVN777");
    ASSERT_TRUE(c.m->donChon().has_value());
    EXPECT_EQ(c.m->donChon()->id, "A1");
    EXPECT_FALSE(c.dieuPhoi->maVuaQuet().has_value());

    // The same label scanned again searches again, taking back a choice made by hand since.
    c.m->chonDon(*c.kho->donTheoMa("1002"));
    c.dieuPhoi->nhapMaTay("SPXVN777");
    EXPECT_EQ(c.m->donChon()->id, "A1");

    // An empty or absent code changes nothing.
    c.m->khiQuetMa(QString());
    c.m->khiQuetMa(std::nullopt);
    EXPECT_EQ(c.m->tuKhoa(), "SPXVN777");
}

TEST(MoHinhHangHoan, QuayKhongChonDonDungTuKhoaNguyenVan) {
    CanhMoHinh c;
    c.m->datTuKhoa(" 0977 ");
    ASSERT_TRUE(c.batDau());
    ASSERT_TRUE(c.dungSau(2));
    EXPECT_EQ(c.m->banGhiVuaQuay()->code, " 0977 ");
    EXPECT_EQ(c.m->banGhiVuaQuay()->kind, "return");
    EXPECT_FALSE(c.m->banGhiVuaQuay()->orderId.has_value());
    // No order: nothing to compare, and saving adds no different-serial condition.
    c.m->datSerialNhanVe("SN1");
    EXPECT_EQ(c.m->doiChieu().ketLuan, K::khongDoiChieu);
    EXPECT_TRUE(c.m->doiChieu().daGui.isEmpty());
    c.m->luuToKhai();
    ASSERT_TRUE(c.m->daLuuKhai());
    const json dong = c.dongCuoi(c.m->banGhiVuaQuay()->id);
    EXPECT_TRUE(dong["returnInfo"]["conditions"].empty());
    EXPECT_FALSE(dong.value("keepForever", false));
}

// What a declaration stores, and the next parcel starting from where a fresh form starts.
TEST(MoHinhHangHoan, KhaiBaoLuuVaoBanGhiRoiKienTiepTheo) {
    CanhMoHinh c;
    c.themDon(taoDon("A1", "Trần Văn An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"SN-AB12"}, "2025-02-01T02:00:00Z"));
    c.m->datTuKhoa("0901111222");
    c.m->timDon();
    c.moFormCho(taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T03:00:00Z"));
    ASSERT_EQ(c.m->banGhiVuaQuay()->id, "h1");

    c.m->datLyDo(danhSachLyDo()[2].id);
    c.m->datTinhTrang("thieu-phu-kien", true);
    c.m->datTinhTrang("co-vet-xuoc", true);
    c.m->datTinhTrang("co-vet-xuoc", false);
    c.m->datSerialNhanVe("  sn ab12 \n");
    EXPECT_EQ(c.m->doiChieu().ketLuan, K::khop);
    EXPECT_EQ(c.m->doiChieu().daGui, QStringList{"SN-AB12"});
    c.m->datXuLy(danhSachXuLy()[1].id);
    c.m->datGhiChu("   ");
    c.m->luuToKhai();
    EXPECT_TRUE(c.m->daLuuKhai());
    // The form keeps what was typed; the record it declares is not swapped for the rewritten one.
    EXPECT_EQ(c.m->serialNhanVe(), "  sn ab12 \n");
    EXPECT_FALSE(c.m->banGhiVuaQuay()->returnInfo.has_value());

    c.kiemToKhaiMauDaLuu("h1");
    const json nk = c.nhatKyCuoi();
    EXPECT_EQ(nk["event"], "return_info");
    EXPECT_EQ(nk["detail"]["id"], "h1");

    c.m->kienTiepTheo();
    EXPECT_FALSE(c.m->banGhiVuaQuay().has_value());
    EXPECT_FALSE(c.m->daLuuKhai());
    EXPECT_FALSE(c.m->donChon().has_value());
    EXPECT_TRUE(c.m->ketQuaTim().isEmpty());
    EXPECT_TRUE(c.m->tuKhoa().isEmpty());
    EXPECT_TRUE(c.m->tinhTrang().isEmpty());
    EXPECT_TRUE(c.m->serialNhanVe().isEmpty());
    EXPECT_TRUE(c.m->ghiChu().isEmpty());
    EXPECT_EQ(c.m->lyDo(), "loi-ky-thuat");
    EXPECT_EQ(c.m->xuLy(), "cho-xu-ly");
}

TEST(MoHinhHangHoan, DoiChieuSerialTheoCacTruongHop) {
    CanhMoHinh c;
    // Two packing videos of the order (the newer listed first), a returns video that does not count,
    // and a deleted packing video that does not either.
    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"OLD-1"}, "2025-01-01T00:00:00Z"));
    c.luuBanGhi(taoBanGhi("p2", "pack", QString("A1"), {"SN-AB.12_x", "NEW-2"}, "2025-01-05T00:00:00Z"));
    c.luuBanGhi(taoBanGhi("h0", "return", QString("A1"), {"HOAN-9"}, "2025-01-06T00:00:00Z"));
    BanGhiVideo xoa = taoBanGhi("p3", "pack", QString("A1"), {"XOA-3"}, "2025-01-07T00:00:00Z");
    xoa.deleted = true;
    c.luuBanGhi(xoa);
    c.moFormCho(taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T00:00:00Z"));
    ASSERT_TRUE(c.m->banGhiVuaQuay().has_value());
    const QStringList daGui{"SN-AB.12_x", "NEW-2", "OLD-1"};

    const struct {
        const char* serial;
        K ketLuan;
    } cac[] = {
        {"", K::khongDoiChieu}, {"   ", K::khongDoiChieu}, {"snab12x", K::khop}, {"#sn ab-12.X", K::khop},
        {" old_1 ", K::khop},   {"SN-AB13", K::khac},      {"HOAN-9", K::khac},
    };
    for (const auto& k : cac) {
        c.m->datSerialNhanVe(k.serial);
        EXPECT_EQ(c.m->doiChieu().ketLuan, k.ketLuan) << k.serial;
        EXPECT_EQ(c.m->doiChieu().daGui, daGui) << k.serial;
        EXPECT_EQ(c.m->ketQuaDoiChieu().ketLuan, k.ketLuan) << k.serial;
    }
}

TEST(MoHinhHangHoan, SaiSerialTuDanhDauVaKhiLuu) {
    CanhMoHinh c;
    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"SN-1"}, "2025-01-01T00:00:00Z"));
    c.moFormCho(taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T00:00:00Z"));

    // A mismatch on the verdict's first appearance marks nothing, but saving still declares it.
    c.m->datSerialNhanVe("SN-2");
    EXPECT_FALSE(c.m->tinhTrang().contains("sai-serial"));
    c.m->luuToKhai();
    ASSERT_TRUE(c.m->daLuuKhai());
    EXPECT_EQ(tapTu(c.dongCuoi("h1")["returnInfo"]["conditions"]), QSet<QString>{"sai-serial"});
    EXPECT_EQ(c.dongCuoi("h1")["keepForever"], true);
    EXPECT_FALSE(c.m->tinhTrang().contains("sai-serial"));

    // The next record: match, then a different serial marks the condition; matching again leaves it on.
    c.moFormCho(taoBanGhi("h2", "return", QString("A1"), {}, "2025-02-02T00:00:00Z"));
    EXPECT_FALSE(c.m->daLuuKhai());
    c.m->datSerialNhanVe("SN-1");
    EXPECT_FALSE(c.m->tinhTrang().contains("sai-serial"));
    c.m->datSerialNhanVe("SN-9");
    EXPECT_TRUE(c.m->tinhTrang().contains("sai-serial"));
    c.m->datSerialNhanVe("SN-1");
    EXPECT_TRUE(c.m->tinhTrang().contains("sai-serial"));
    c.m->datTinhTrang("sai-serial", false);
    EXPECT_FALSE(c.m->tinhTrang().contains("sai-serial"));

    // Emptied after a mismatch: nothing to compare, and no automatic condition on saving. The verdict that
    // comes back afterwards is a first appearance again, not a change.
    c.m->datSerialNhanVe("");
    c.m->datSerialNhanVe("SN-9");
    EXPECT_FALSE(c.m->tinhTrang().contains("sai-serial"));
    c.m->datSerialNhanVe("");
    EXPECT_EQ(c.m->doiChieu().ketLuan, K::khongDoiChieu);
    EXPECT_TRUE(c.m->tinhTrang().isEmpty());
    c.m->luuToKhai();
    const json ri = c.dongCuoi("h2")["returnInfo"];
    EXPECT_TRUE(ri["conditions"].is_array());
    EXPECT_TRUE(ri["conditions"].empty());
    EXPECT_EQ(ri["serial"], "");
    EXPECT_EQ(c.dongCuoi("h2")["keepForever"], false);
}

TEST(MoHinhHangHoan, LuuHongThiGiuToKhaiDeLuuLai) {
    CanhMoHinh c;
    // A record the store does not hold.
    emit c.dieuPhoi->daLuuVideo(taoBanGhi("lac", "return", std::nullopt, {}, "2025-02-01T00:00:00Z"));
    c.m->luuToKhai();
    EXPECT_FALSE(c.m->daLuuKhai());

    // A write error: the recordings folder has become a regular file.
    c.moFormCho(taoBanGhi("h1", "return", std::nullopt, {}, "2025-02-01T00:00:00Z"));
    ASSERT_TRUE(c.chanThuMucBanGhi());
    c.m->datGhiChu("vỏ hộp móp");
    c.m->luuToKhai();
    EXPECT_FALSE(c.m->daLuuKhai());
    ASSERT_TRUE(c.dieuPhoi->thongBao().has_value());
    EXPECT_TRUE(c.dieuPhoi->thongBao()->startsWith("Không lưu được tờ khai mở kiện: "));
    EXPECT_EQ(c.m->ghiChu(), "vỏ hộp móp");

    // Once the folder is back, the same form saves.
    ASSERT_TRUE(QFile::remove(c.kho->thuMucBanGhiVideo()));
    c.m->luuToKhai();
    EXPECT_TRUE(c.m->daLuuKhai());
    EXPECT_EQ(c.dongCuoi("h1")["returnInfo"]["note"], "vỏ hộp móp");
}

// Starting the next recording from an open declaration clears what belongs to the parcel just declared (its
// record, the saved mark, the serial and the ticked conditions) but carries the reason, the decision, the note
// and the chosen order over to the next one.
TEST(MoHinhHangHoan, QuayTiepTuToKhaiGiuLyDoXuLyGhiChuVaDon) {
    CanhMoHinh c;
    c.themDon(taoDon("A1", "An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    c.m->datTuKhoa("0901111222");
    c.m->timDon();
    ASSERT_TRUE(c.m->donChon().has_value());
    c.moFormCho(taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T00:00:00Z"));
    c.m->datLyDo(danhSachLyDo()[3].id);
    c.m->datXuLy(danhSachXuLy()[2].id);
    c.m->datTinhTrang("co-vet-xuoc", true);
    c.m->datSerialNhanVe("SN-CU");
    c.m->datGhiChu("hộp móp");
    c.m->luuToKhai();
    ASSERT_TRUE(c.m->daLuuKhai());

    ASSERT_TRUE(c.batDau());
    EXPECT_FALSE(c.m->banGhiVuaQuay().has_value());
    EXPECT_FALSE(c.m->daLuuKhai());
    EXPECT_TRUE(c.m->serialNhanVe().isEmpty());
    EXPECT_TRUE(c.m->tinhTrang().isEmpty());
    EXPECT_EQ(c.m->lyDo(), danhSachLyDo()[3].id);
    EXPECT_EQ(c.m->xuLy(), danhSachXuLy()[2].id);
    EXPECT_EQ(c.m->ghiChu(), "hộp móp");
    ASSERT_TRUE(c.m->donChon().has_value());
    EXPECT_EQ(c.m->donChon()->id, "A1");
    EXPECT_EQ(c.m->tuKhoa(), "0901111222");
    EXPECT_EQ(c.dieuPhoi->donHienTai()->id, "A1");

    ASSERT_TRUE(c.dungSau(1));
    EXPECT_NE(c.m->banGhiVuaQuay()->id, "h1");
    EXPECT_EQ(c.m->banGhiVuaQuay()->code, "GHN-A1");
    EXPECT_EQ(c.m->lyDo(), danhSachLyDo()[3].id);
    EXPECT_EQ(c.m->xuLy(), danhSachXuLy()[2].id);
    EXPECT_EQ(c.m->ghiChu(), "hộp móp");
    EXPECT_TRUE(c.m->serialNhanVe().isEmpty());
    EXPECT_TRUE(c.m->tinhTrang().isEmpty());
    EXPECT_FALSE(c.m->daLuuKhai());
}

// A returns recording stopped by the length limit still gets its declaration, and a later stop that
// saves nothing does not take the form away.
TEST(MoHinhHangHoan, DungDoGioiHanVanMoTaKhai) {
    CanhMoHinh c;
    c.caiDat->setGiayToiDa(1);  // returns videos run to three times the limit
    ASSERT_TRUE(c.batDau());
    c.tien(std::chrono::seconds(3));
    EXPECT_FALSE(c.m->banGhiVuaQuay().has_value()) << "stopped before the tripled limit";
    c.tien(std::chrono::seconds(3));
    ASSERT_TRUE(c.m->banGhiVuaQuay().has_value());
    ASSERT_TRUE(c.dangNghi());
    EXPECT_TRUE(c.dieuPhoi->thongBao().has_value());
    const QString id = c.m->banGhiVuaQuay()->id;
    EXPECT_EQ(c.m->banGhiVuaQuay()->kind, "return");
    EXPECT_EQ(c.m->banGhiVuaQuay()->code, "KHONG-DON");  // no order chosen, nothing typed

    c.m->dungQuay();
    c.xuLySuKien();
    ASSERT_TRUE(c.m->banGhiVuaQuay().has_value());
    EXPECT_EQ(c.m->banGhiVuaQuay()->id, id);
    c.m->luuToKhai();
    EXPECT_TRUE(c.m->daLuuKhai());
    EXPECT_EQ(c.dongCuoi(id)["kind"], "return");
    EXPECT_TRUE(c.dongCuoi(id).contains("returnInfo"));

    // A stop with nothing recorded, after the save, neither clears nor reopens the saved form.
    c.m->dungQuay();
    c.xuLySuKien();
    EXPECT_TRUE(c.m->daLuuKhai());
    EXPECT_EQ(c.m->banGhiVuaQuay()->id, id);
}

// The serial is compared with what was packed for the order of the record being declared, even when the
// search was used meanwhile to choose another parcel's order.
TEST(MoHinhHangHoan, DoiChieuTheoDonCuaBanGhi) {
    CanhMoHinh c;
    c.themDon(taoDon("A1", "An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    c.themDon(taoDon("B1", "Bình", "0903333444", "2025-02-02T01:00:00Z", "1002", {"GHN-B1"}));
    c.luuBanGhi(taoBanGhi("pa", "pack", QString("A1"), {"SN-A1"}, "2025-02-01T02:00:00Z"));
    c.luuBanGhi(taoBanGhi("pb", "pack", QString("B1"), {"SN-B9"}, "2025-02-02T02:00:00Z"));
    c.m->datTuKhoa("0901111222");
    c.m->timDon();
    ASSERT_TRUE(c.batDau());
    c.m->datTuKhoa("0903333444");
    c.m->timDon();
    ASSERT_EQ(c.m->donChon()->id, "B1");
    ASSERT_TRUE(c.dungSau(2));
    ASSERT_EQ(c.m->banGhiVuaQuay()->orderId, "A1");

    c.m->datSerialNhanVe("SN-A1");
    EXPECT_EQ(c.m->doiChieu().ketLuan, K::khop);
    EXPECT_EQ(c.m->doiChieu().daGui, QStringList{"SN-A1"});
    EXPECT_FALSE(c.m->tinhTrang().contains("sai-serial"));
    c.m->luuToKhai();
    ASSERT_TRUE(c.m->daLuuKhai());
    const json dong = c.dongCuoi(c.m->banGhiVuaQuay()->id);
    EXPECT_TRUE(dong["returnInfo"]["conditions"].empty());
    EXPECT_EQ(dong["keepForever"], false);
}

}  // namespace
