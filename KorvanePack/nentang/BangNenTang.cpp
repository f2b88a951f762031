#include "nentang/BangNenTang.h"

namespace {

const QString kTenNhanh = QStringLiteral("Nhanh.vn");
const QString kMienKiotViet = QStringLiteral("kiotviet.vn");
const QString kMienSapo = QStringLiteral("mysapo.net");

QString phanTruocMien(const QString& mien) {
    return QStringLiteral("phần trước .") + mien;
}

const QList<TruongKhaiBao>& truongHaravan() {
    static const QList<TruongKhaiBao> ds{
        {QStringLiteral("token"), QStringLiteral("Access Token"), QStringLiteral("của ứng dụng riêng"), true},
    };
    return ds;
}

const QList<TruongKhaiBao>& truongKiotViet() {
    static const QList<TruongKhaiBao> ds{
        {QStringLiteral("retailer"), QStringLiteral("Tên cửa hàng"), phanTruocMien(kMienKiotViet), false},
        {QStringLiteral("clientId"), QStringLiteral("Client ID"), QString(), false},
        {QStringLiteral("clientSecret"), QStringLiteral("Client Secret"),
         QStringLiteral("chỉ hiện đúng một lần lúc tạo"), true},
    };
    return ds;
}

const QList<TruongKhaiBao>& truongPancake() {
    static const QList<TruongKhaiBao> ds{
        {QStringLiteral("shopId"), QStringLiteral("Shop ID"), QStringLiteral("số nằm sau /shop/ trên thanh địa chỉ"),
         false},
        {QStringLiteral("apiKey"), QStringLiteral("API Key"), QString(), true},
    };
    return ds;
}

const QList<TruongKhaiBao>& truongSapo() {
    static const QList<TruongKhaiBao> ds{
        {QStringLiteral("store"), QStringLiteral("Tên cửa hàng"), phanTruocMien(kMienSapo), false},
        {QStringLiteral("apiKey"), QStringLiteral("API Key"), QString(), false},
        {QStringLiteral("apiSecret"), QStringLiteral("API Secret"), QString(), true},
    };
    return ds;
}

const QList<TruongKhaiBao>& truongNhanh() {
    static const QList<TruongKhaiBao> ds{
        {QStringLiteral("appId"), QStringLiteral("App ID"), QString(), false},
        {QStringLiteral("businessId"), QStringLiteral("Business ID"), QString(), false},
        {QStringLiteral("accessToken"), QStringLiteral("Access Token"), QStringLiteral("dùng được khoảng 1 năm"), true},
    };
    return ds;
}

}  // namespace

const QList<MucNguon>& bangNenTang() {
    static const QList<MucNguon> ds{
        {QStringLiteral("haravan"), QStringLiteral("Haravan"), true},
        {QStringLiteral("kiotviet"), QStringLiteral("KiotViet"), false},
        {QStringLiteral("pancake"), QStringLiteral("Pancake POS"), false},
        {QStringLiteral("sapo"), QStringLiteral("Sapo"), false},
        {QStringLiteral("nhanh"), kTenNhanh, false},
    };
    return ds;
}

const QList<TruongKhaiBao>& cacTruongKhaiBao(const QString& nguon) {
    if (nguon == QLatin1String("kiotviet")) return truongKiotViet();
    if (nguon == QLatin1String("pancake")) return truongPancake();
    if (nguon == QLatin1String("sapo")) return truongSapo();
    if (nguon == QLatin1String("nhanh")) return truongNhanh();
    return truongHaravan();
}

QString huongDanKetNoi(const QString& nguon) {
    if (nguon == QLatin1String("kiotviet")) {
        return QStringLiteral(
                   "Đăng nhập KiotViet bằng tài khoản quản lý → Thiết lập cửa hàng → Thiết lập kết nối API → tạo kết "
                   "nối mới. Client Secret chỉ hiện MỘT LẦN, chép ngay. Tên cửa hàng là phần trước .") +
               kMienKiotViet + QStringLiteral(" trên thanh địa chỉ.");
    }
    if (nguon == QLatin1String("pancake")) {
        return QStringLiteral(
            "Trong Pancake POS: Cấu hình → Nâng cao → Kết nối bên thứ 3 → Webhook/API → thẻ API Key → tạo khoá mới. "
            "Shop ID là dãy số trên thanh địa chỉ ngay sau /shop/.");
    }
    if (nguon == QLatin1String("sapo")) {
        return QStringLiteral(
                   "Trong trang quản trị Sapo: Ứng dụng → Ứng dụng riêng → Tạo ứng dụng riêng. Ở phần quyền, mục Đơn "
                   "hàng chọn \"Đọc\". Chép API Key và API Secret. Tên cửa hàng là phần trước .") +
               kMienSapo + QStringLiteral(" trên thanh địa chỉ.");
    }
    if (nguon == QLatin1String("nhanh")) {
        return QStringLiteral("Ba chuỗi này lấy trên trang kết nối của Korvane: đăng nhập ") + kTenNhanh +
               QStringLiteral(
                   ", bấm cho phép, hệ thống trả về App ID, Business ID và Access Token — chép cả ba dán vào đây. "
                   "Token dùng được khoảng một năm.\n"
                   "Lưu ý: mỗi shop chỉ dùng được MỘT token cùng lúc. Nối lại ở máy khác là máy cũ mất kết nối sau "
                   "15 phút.");
    }
    return QStringLiteral(
        "Trong Haravan admin: Ứng dụng → Quản lý ứng dụng riêng → tạo ứng dụng riêng với quyền com.read_orders, rồi "
        "chép access token dán vào đây.");
}

QString tenNguon(const QString& nguon) {
    for (const MucNguon& muc : bangNenTang()) {
        if (muc.id == nguon) return muc.ten;
    }
    return QStringLiteral("Haravan");
}

bool nguonDaKiemChung(const QString& nguon) {
    for (const MucNguon& muc : bangNenTang()) {
        if (muc.id == nguon) return muc.daKiemChung;
    }
    return false;
}

QString tenMienCuaHang(const QString& nguon) {
    if (nguon == QLatin1String("kiotviet")) return kMienKiotViet;
    if (nguon == QLatin1String("sapo")) return kMienSapo;
    return QString();
}

QString dichVuKhoaNguon(const QString& nguon, const QString& khoa) {
    return QStringLiteral("com.korvane.pack.") + nguon + QLatin1Char('.') + khoa;
}
