<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="vi_VN">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Ổ đĩa</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Tệp</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Không rõ</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Bí danh</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Lối tắt</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>Tệp %1</translation>
    </message>
</context>
<context>
    <name>QAbstractSpinBox</name>
    <message>
        <source>&amp;Select All</source>
        <translation>&amp;Chọn tất cả</translation>
    </message>
    <message>
        <source>&amp;Step up</source>
        <translation>&amp;Tăng</translation>
    </message>
    <message>
        <source>Step &amp;down</source>
        <translation>&amp;Giảm</translation>
    </message>
</context>
<context>
    <name>QDialogButtonBox</name>
    <message>
        <source>OK</source>
        <translation>Đồng ý</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>Back</source>
        <translation>Lùi lại</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Tiến tới</translation>
    </message>
    <message>
        <source>Go back</source>
        <translation>Quay lại thư mục trước</translation>
    </message>
    <message>
        <source>Go forward</source>
        <translation>Đi tới thư mục sau</translation>
    </message>
    <message>
        <source>Parent Directory</source>
        <translation>Thư mục cha</translation>
    </message>
    <message>
        <source>Go to the parent directory</source>
        <translation>Lên thư mục cha</translation>
    </message>
    <message>
        <source>Create New Folder</source>
        <translation>Tạo thư mục mới</translation>
    </message>
    <message>
        <source>Create a New Folder</source>
        <translation>Tạo một thư mục mới</translation>
    </message>
    <message>
        <source>List View</source>
        <translation>Dạng danh sách</translation>
    </message>
    <message>
        <source>Change to list view mode</source>
        <translation>Xem dạng danh sách</translation>
    </message>
    <message>
        <source>Detail View</source>
        <translation>Dạng chi tiết</translation>
    </message>
    <message>
        <source>Change to detail view mode</source>
        <translation>Xem dạng chi tiết</translation>
    </message>
    <message>
        <source>Sidebar</source>
        <translation>Thanh bên</translation>
    </message>
    <message>
        <source>List of places and bookmarks</source>
        <translation>Các nơi hay mở và dấu trang</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Tệp</translation>
    </message>
    <message>
        <source>Look in:</source>
        <translation>Tìm trong:</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>Tê&amp;n tệp:</translation>
    </message>
    <message>
        <source>Files of type:</source>
        <translation>Loại tệp:</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Thư mục:</translation>
    </message>
    <message>
        <source>Directories</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Mọi tệp (*)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Mọi tệp (*)</translation>
    </message>
    <message>
        <source>&amp;Choose</source>
        <translation>&amp;Chọn</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Mở</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Lưu</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Mở</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Lưu thành</translation>
    </message>
    <message>
        <source>Find Directory</source>
        <translation>Tìm thư mục</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>Đổ&amp;i tên</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Xoá</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xoá</translation>
    </message>
    <message>
        <source>Show &amp;hidden files</source>
        <translation>Hiện tệp ẩ&amp;n</translation>
    </message>
    <message>
        <source>&amp;New Folder</source>
        <translation>Thư mục &amp;mới</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Thư mục mới</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Gỡ khỏi danh sách</translation>
    </message>
    <message>
        <source>Show </source>
        <translation>Hiện </translation>
    </message>
    <message>
        <source>Recent Places</source>
        <translation>Nơi mở gần đây</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Ổ đĩa</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Tệp</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Thư mục</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Bí danh</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Lối tắt</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Không rõ</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>Tệp %1</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is write protected.
Do you want to delete it anyway?</source>
        <translation>&apos;%1&apos; đang được chống ghi.
Vẫn xoá nó chứ?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete &apos;%1&apos;?</source>
        <translation>Xoá hẳn &apos;%1&apos;?</translation>
    </message>
    <message>
        <source>Could not delete directory.</source>
        <translation>Không xoá được thư mục.</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 đã có.
Thay nó bằng cái mới chứ?</translation>
    </message>
    <message>
        <source>%1
Directory not found.
Please verify the correct directory name was given.</source>
        <translation>%1
Không tìm thấy thư mục.
Xem lại tên thư mục đã gõ.</translation>
    </message>
    <message>
        <source>%1
File not found.
Please verify the correct file name was given.</source>
        <translation>%1
Không tìm thấy tệp.
Xem lại tên tệp đã gõ.</translation>
    </message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message>
        <source>Name</source>
        <translation>Tên</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Dung lượng</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Loại</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Loại</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Ngày sửa</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>Máy tính</translation>
    </message>
    <message>
        <source>Invalid filename</source>
        <translation>Tên không dùng được</translation>
    </message>
    <message>
        <source>&lt;b&gt;The name &quot;%1&quot; can not be used.&lt;/b&gt;&lt;p&gt;Try using another name, with fewer characters or no punctuations marks.</source>
        <translation>&lt;b&gt;Không đặt được tên &quot;%1&quot;.&lt;/b&gt;&lt;p&gt;Thử một tên khác, ngắn hơn hoặc không có dấu câu.</translation>
    </message>
    <message>
        <source>&lt;b&gt;The name &quot;%1&quot; cannot be used.&lt;/b&gt;&lt;p&gt;Try using another name, with fewer characters or no punctuation marks.</source>
        <translation>&lt;b&gt;Không đặt được tên &quot;%1&quot;.&lt;/b&gt;&lt;p&gt;Thử một tên khác, ngắn hơn hoặc không có dấu câu.</translation>
    </message>
</context>
<context>
    <name>QLineEdit</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Hoàn tác</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Làm lại</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Cắt</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>C&amp;hép</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Dán</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xoá</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Chọn tất cả</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>OK</source>
        <translation>Đồng ý</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Trợ giúp</translation>
    </message>
    <message>
        <source>Show Details...</source>
        <translation>Xem chi tiết…</translation>
    </message>
    <message>
        <source>Hide Details...</source>
        <translation>Ẩn chi tiết…</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>Đồng ý</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Huỷ</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Có</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Không</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Có, &amp;tất cả</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>K&amp;hông, tất cả</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Lưu</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Lưu tất cả</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Mở</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Đóng</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Áp dụng</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Đặt lại</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Trợ giúp</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Bỏ đi</translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation>Không lưu</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Đóng, không lưu</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Huỷ bỏ</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Thử lại</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Bỏ qua</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Khôi phục mặc định</translation>
    </message>
</context>
<context>
    <name>QScrollBar</name>
    <message>
        <source>Scroll here</source>
        <translation>Cuộn tới đây</translation>
    </message>
    <message>
        <source>Left edge</source>
        <translation>Mép trái</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Trên cùng</translation>
    </message>
    <message>
        <source>Right edge</source>
        <translation>Mép phải</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Dưới cùng</translation>
    </message>
    <message>
        <source>Page left</source>
        <translation>Sang trái một trang</translation>
    </message>
    <message>
        <source>Page up</source>
        <translation>Lên một trang</translation>
    </message>
    <message>
        <source>Page right</source>
        <translation>Sang phải một trang</translation>
    </message>
    <message>
        <source>Page down</source>
        <translation>Xuống một trang</translation>
    </message>
    <message>
        <source>Scroll left</source>
        <translation>Cuộn sang trái</translation>
    </message>
    <message>
        <source>Scroll up</source>
        <translation>Cuộn lên</translation>
    </message>
    <message>
        <source>Scroll right</source>
        <translation>Cuộn sang phải</translation>
    </message>
    <message>
        <source>Scroll down</source>
        <translation>Cuộn xuống</translation>
    </message>
</context>
<context>
    <name>QWidgetTextControl</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Hoàn tác</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Làm lại</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Cắt</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>C&amp;hép</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Dán</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Xoá</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Chọn tất cả</translation>
    </message>
    <message>
        <source>Copy &amp;Link Location</source>
        <translation>Chép địa chỉ &amp;liên kết</translation>
    </message>
</context>
</TS>
