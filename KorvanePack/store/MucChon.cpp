#include "store/MucChon.h"

const QList<MucChon>& danhSachLyDo() {
    static const QList<MucChon> ds{
        {QStringLiteral("loi-ky-thuat"), QStringLiteral("Lỗi kỹ thuật")},
        {QStringLiteral("khong-dung-mau"), QStringLiteral("Không đúng mẫu đặt")},
        {QStringLiteral("giao-nham"), QStringLiteral("Giao nhầm sản phẩm")},
        {QStringLiteral("khong-thich"), QStringLiteral("Không thích, đổi ý")},
        {QStringLiteral("hu-hong-van-chuyen"), QStringLiteral("Hỏng do vận chuyển")},
        {QStringLiteral("khac"), QStringLiteral("Lý do khác")},
    };
    return ds;
}

const QList<MucChon>& danhSachTinhTrang() {
    static const QList<MucChon> ds{
        {QStringLiteral("con-nguyen-seal"), QStringLiteral("Kiện còn nguyên seal")},
        {QStringLiteral("thieu-phu-kien"), QStringLiteral("Thiếu phụ kiện")},
        {QStringLiteral("co-vet-xuoc"), QStringLiteral("Có vết xước, dấu đã dùng")},
        {QStringLiteral("sai-san-pham"), QStringLiteral("KHÔNG phải sản phẩm đã gửi")},
        {QStringLiteral("sai-serial"), QStringLiteral("Serial khác với lúc gửi")},
    };
    return ds;
}

const QList<MucChon>& danhSachXuLy() {
    static const QList<MucChon> ds{
        {QStringLiteral("cho-xu-ly"), QStringLiteral("Chờ xử lý")},
        {QStringLiteral("chap-nhan"), QStringLiteral("Chấp nhận hoàn tiền / đổi hàng")},
        {QStringLiteral("tu-choi"), QStringLiteral("Từ chối — hàng không đúng")},
    };
    return ds;
}

const QStringList& cacBuocMoKien() {
    static const QStringList ds{
        QStringLiteral("Quay mặt ngoài kiện, thấy rõ mã vận đơn và băng keo còn nguyên."),
        QStringLiteral("Cắt băng keo trước ống kính, đừng đưa hộp ra khỏi khung hình."),
        QStringLiteral("Lấy từng món ra, giơ lên cho thấy rõ."),
        QStringLiteral("Quay cận số serial trên thân máy — quét luôn nếu có mã vạch."),
        QStringLiteral("Quay chỗ hư hỏng, thiếu phụ kiện, hay dấu đã qua sử dụng."),
    };
    return ds;
}

const QSet<QString>& tinhTrangCoVanDe() {
    static const QSet<QString> s{QStringLiteral("sai-san-pham"), QStringLiteral("sai-serial"),
                                 QStringLiteral("thieu-phu-kien")};
    return s;
}
