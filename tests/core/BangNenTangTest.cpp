#include <gtest/gtest.h>

#include "nentang/BangNenTang.h"

TEST(BangNenTangTest, NamNenTangDungThuTu) {
    const QList<MucNguon> mongDoi{
        {"haravan", "Haravan", true}, {"kiotviet", "KiotViet", false}, {"pancake", "Pancake POS", false},
        {"sapo", "Sapo", false},      {"nhanh", "Nhanh.vn", false},
    };
    EXPECT_EQ(bangNenTang(), mongDoi);
    for (const MucNguon& m : mongDoi) {
        EXPECT_EQ(tenNguon(m.id), m.ten);
        EXPECT_EQ(nguonDaKiemChung(m.id), m.daKiemChung);
    }
}

TEST(BangNenTangTest, TruongKhaiBaoTungNenTang) {
    struct {
        const char* nguon;
        QList<TruongKhaiBao> truong;
    } const bang[] = {
        {"haravan", {{"token", "Access Token", "của ứng dụng riêng", true}}},
        {"kiotviet",
         {{"retailer", "Tên cửa hàng", "phần trước .kiotviet.vn", false},
          {"clientId", "Client ID", "", false},
          {"clientSecret", "Client Secret", "chỉ hiện đúng một lần lúc tạo", true}}},
        {"pancake",
         {{"shopId", "Shop ID", "số nằm sau /shop/ trên thanh địa chỉ", false}, {"apiKey", "API Key", "", true}}},
        {"sapo",
         {{"store", "Tên cửa hàng", "phần trước .mysapo.net", false},
          {"apiKey", "API Key", "", false},
          {"apiSecret", "API Secret", "", true}}},
        {"nhanh",
         {{"appId", "App ID", "", false},
          {"businessId", "Business ID", "", false},
          {"accessToken", "Access Token", "dùng được khoảng 1 năm", true}}},
    };
    for (const auto& c : bang) {
        SCOPED_TRACE(c.nguon);
        const auto& ds = cacTruongKhaiBao(c.nguon);
        ASSERT_EQ(ds.size(), c.truong.size());
        for (qsizetype i = 0; i < ds.size(); ++i) {
            EXPECT_EQ(ds[i], c.truong[i]) << ds[i].khoa.toStdString();
        }
    }
}

TEST(BangNenTangTest, HuongDanKetNoiDungNguyenVan) {
    struct {
        const char* nguon;
        const char* text;
    } const bang[] = {
        {"haravan",
         "Trong Haravan admin: Ứng dụng → Quản lý ứng dụng riêng → tạo ứng dụng riêng với quyền com.read_orders, rồi "
         "chép access token dán vào đây."},
        {"kiotviet",
         "Đăng nhập KiotViet bằng tài khoản quản lý → Thiết lập cửa hàng → Thiết lập kết nối API → tạo kết nối mới. "
         "Client Secret chỉ hiện MỘT LẦN, chép ngay. Tên cửa hàng là phần trước .kiotviet.vn trên thanh địa chỉ."},
        {"pancake",
         "Trong Pancake POS: Cấu hình → Nâng cao → Kết nối bên thứ 3 → Webhook/API → thẻ API Key → tạo khoá mới. "
         "Shop ID là dãy số trên thanh địa chỉ ngay sau /shop/."},
        {"sapo",
         "Trong trang quản trị Sapo: Ứng dụng → Ứng dụng riêng → Tạo ứng dụng riêng. Ở phần quyền, mục Đơn hàng chọn "
         "\"Đọc\". Chép API Key và API Secret. Tên cửa hàng là phần trước .mysapo.net trên thanh địa chỉ."},
        {"nhanh",
         "Ba chuỗi này lấy trên trang kết nối của Korvane: đăng nhập Nhanh.vn, bấm cho phép, hệ thống trả về App ID, "
         "Business ID và Access Token — chép cả ba dán vào đây. Token dùng được khoảng một năm.\nLưu ý: mỗi shop chỉ "
         "dùng được MỘT token cùng lúc. Nối lại ở máy khác là máy cũ mất kết nối sau 15 phút."},
    };
    for (const auto& c : bang) EXPECT_EQ(huongDanKetNoi(c.nguon), QString::fromUtf8(c.text)) << c.nguon;
}

// Ids are compared exactly: anything else, a display name or a different case included, is Haravan, except that
// it never counts as a verified platform.
TEST(BangNenTangTest, MaLaRoiVeHaravan) {
    for (const char* id : {"", "KiotViet", "SAPO", "shopee", " haravan"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(cacTruongKhaiBao(id), cacTruongKhaiBao("haravan"));
        EXPECT_EQ(huongDanKetNoi(id), huongDanKetNoi("haravan"));
        EXPECT_EQ(tenNguon(id), "Haravan");
        EXPECT_FALSE(nguonDaKiemChung(id));
    }
    EXPECT_EQ(dichVuKhoaNguon("shopee", "token"), "com.korvane.pack.shopee.token");
    EXPECT_EQ(dichVuKhoaNguon("haravan", "token"), "com.korvane.pack.haravan.token");
}
