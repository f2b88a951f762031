// The GUI thread's longest stall while a sync runs and while the settings screen opens, with a keyring that
// takes 2 s to answer each read (a slow or locked Secret Service). Beside it: the stall of one keyring read
// made on the GUI thread, as a synchronous credential read would cost, and the keyring's delay itself. Then the
// same for the first-run wizard's three KiotViet fields and for the settings card saving them, each beside the
// same reads or writes made on the GUI thread.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <thread>

#include "admin/ManHinhCaiDat.h"
#include "admin/ManHinhCaiDatLanDau.h"
#include "admin/MucNguonDon.h"
#include "admin/TuKhoiDongXdg.h"
#include "core/CaiDat.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "sources/BoDongBo.h"
#include "gia/sources/NguonDonKichBan.h"
#include "nentang/BangNenTang.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

namespace {

constexpr auto kTre = std::chrono::milliseconds(2000);

class KhoKhoaCham final : public KhoKhoa {
public:
    std::optional<QString> doc(const QString& dichVu) override {
        std::this_thread::sleep_for(kTre);
        return trong.doc(dichVu);
    }
    bool ghi(const QString& dichVu, const QString& giaTri) override {
        std::this_thread::sleep_for(kTre);
        return trong.ghi(dichVu, giaTri);
    }
    bool xoa(const QString& dichVu) override {
        std::this_thread::sleep_for(kTre);
        return trong.xoa(dichVu);
    }
    KhoKhoaBoNho trong;
};

// The longest gap between turns of the GUI thread's event loop while the condition does not yet hold.
qint64 dungLauNhat(const std::function<bool()>& xong) {
    QElapsedTimer dong;
    dong.start();
    qint64 truoc = 0;
    qint64 lonNhat = 0;
    QTimer nhip;
    nhip.setInterval(1);
    QObject::connect(&nhip, &QTimer::timeout, [&] {
        const qint64 bay = dong.elapsed();
        lonNhat = std::max(lonNhat, bay - truoc);
        truoc = bay;
    });
    nhip.start();
    while (!xong()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    lonNhat = std::max(lonNhat, dong.elapsed() - truoc);
    return lonNhat;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tam;
    DongHoGia dongHo;
    dongHo.datGiayThuc(1'765'357'200);
    HenGioTay henGio(&dongHo);
    auto khoKhoa = std::make_shared<KhoKhoaCham>();
    khoKhoa->trong.muc.insert(QStringLiteral("com.korvane.pack.haravan.token"), QStringLiteral("tok-1"));
    KhoDuLieu kho(tam.path() + QStringLiteral("/goc"), &dongHo);
    kho.napTatCa(8);
    CaiDat caiDat(tam.path() + QStringLiteral("/korvane.ini"), khoKhoa);
    BoDongBo::CauHinh ch;
    ch.dongHo = &dongHo;
    ch.henGio = &henGio;
    ch.taoNguon = [](const QString&, const DocKhoa&, const MoiTruongNguon&) -> std::unique_ptr<NguonDon> {
        auto n = std::make_unique<NguonDonKichBan>();
        n->khiLayDon = [](const QString&, const NhanTienDo&) { return QList<DonHang>{}; };
        return n;
    };
    BoDongBo db(kho, caiDat, std::move(ch));

    bool xong = false;
    db.dongBo(false, [&] { xong = true; });
    const qint64 dongBo = dungLauNhat([&] { return xong; });

    ManHinhCaiDat::NenTang nt;
    nt.tuKhoiDong = std::make_shared<TuKhoiDongXdg>(tam.path() + QStringLiteral("/autostart"),
                                                    QCoreApplication::applicationFilePath());
    QElapsedTimer moRa;
    moRa.start();
    ManHinhCaiDat man(nullptr, kho, &db, nullptr, caiDat, nt);
    man.resize(900, 700);
    man.show();
    const qint64 dungMo = moRa.elapsed();
    const MucNguonDon* nguon = man.findChild<MucNguonDon*>();
    const qint64 manHinh = dungLauNhat([&] { return nguon->daNapKhoa(); });

    QElapsedTimer dongBoTay;
    dongBoTay.start();
    caiDat.docKeychain(QStringLiteral("com.korvane.pack.haravan.token"));
    const qint64 docTrenGui = dongBoTay.elapsed();

    // The wizard on a platform with three credentials: its load, then a save of all three.
    const QString kv = QStringLiteral("kiotviet");
    for (const TruongKhaiBao& t : cacTruongKhaiBao(kv)) khoKhoa->trong.muc.insert(dichVuKhoaNguon(kv, t.khoa), t.khoa);
    ManHinhCaiDatLanDau wizard(nullptr, caiDat, &db, nullptr, [] {});
    wizard.resize(900, 640);
    wizard.show();
    // Drawn once and its Haravan field back, then switched to the platform with three fields.
    dungLauNhat([&] { return wizard.bieuMau().daNap(); });
    caiDat.setNguonDon(kv);
    const qint64 wizardNap = dungLauNhat([&] { return wizard.bieuMau().daNap(); });
    QElapsedTimer docBa;
    docBa.start();
    for (const TruongKhaiBao& t : cacTruongKhaiBao(kv)) caiDat.docKeychain(dichVuKhoaNguon(kv, t.khoa));
    const qint64 docBaTrenGui = docBa.elapsed();

    // The settings card behind has followed the platform too; its save writes the three fields it read back.
    MucNguonDon* the = man.findChild<MucNguonDon*>();
    dungLauNhat([&] { return the->daNapKhoa(); });
    the->luuKhoa();
    const qint64 wizardLuu = dungLauNhat([&] { return !the->bieuMau().dangLuu(); });
    QElapsedTimer ghiBa;
    ghiBa.start();
    for (const TruongKhaiBao& t : cacTruongKhaiBao(kv)) caiDat.ghiKeychain(dichVuKhoaNguon(kv, t.khoa), t.khoa);
    const qint64 ghiBaTrenGui = ghiBa.elapsed();

    std::printf("do tre cua kho khoa moi lan doc:        %5lld ms\n", static_cast<long long>(kTre.count()));
    std::printf("dung lau nhat cua luong GUI, dong bo:    %5lld ms\n", static_cast<long long>(dongBo));
    std::printf("dung lau nhat cua luong GUI, mo man cai dat, cho khoa ve: %5lld ms\n",
                static_cast<long long>(manHinh));
    std::printf("tao va hien man cai dat (khong doi kho khoa): %5lld ms\n", static_cast<long long>(dungMo));
    std::printf("mot lan doc khoa ngay tren luong GUI:    %5lld ms (doi chieu)\n", static_cast<long long>(docTrenGui));
    std::printf("dung lau nhat cua luong GUI, trinh cai dat lan dau nap 3 o khoa: %5lld ms\n",
                static_cast<long long>(wizardNap));
    std::printf("ba lan doc khoa ngay tren luong GUI:     %5lld ms (doi chieu)\n",
                static_cast<long long>(docBaTrenGui));
    std::printf("dung lau nhat cua luong GUI, luu 3 o khoa: %5lld ms\n", static_cast<long long>(wizardLuu));
    std::printf("ba lan ghi khoa ngay tren luong GUI:     %5lld ms (doi chieu)\n",
                static_cast<long long>(ghiBaTrenGui));
    return 0;
}
