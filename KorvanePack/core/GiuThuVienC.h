#pragma once

#include <QString>
#include <memory>

// Owners for the C libraries' handles: each one is held from the moment it is created, so an early
// return or an exception on the way frees it as a normal end does. The deleters are defined out of
// line, so a header that holds a handle needs no FFmpeg or ZBar header of its own.

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVIOContext;
struct SwsContext;
namespace zbar {
struct zbar_image_s;
struct zbar_image_scanner_s;
}  // namespace zbar

namespace giu_c {
// A demuxer's context: closed as an input, which also frees one that was allocated but never opened.
struct DongDauVao {
    void operator()(AVFormatContext* p) const;
};
// A muxer's context; its I/O context has an owner of its own.
struct XoaDauRa {
    void operator()(AVFormatContext* p) const;
};
struct XoaMaHoa {
    void operator()(AVCodecContext* p) const;
};
struct XoaKhung {
    void operator()(AVFrame* p) const;
};
struct XoaGoi {
    void operator()(AVPacket* p) const;
};
// A custom I/O context together with its buffer, which libavformat may have replaced meanwhile.
struct XoaVaoRa {
    void operator()(AVIOContext* p) const;
};
struct XoaSws {
    void operator()(SwsContext* p) const;
};
struct XoaAnhZBar {
    void operator()(zbar::zbar_image_s* p) const;
};
struct XoaQuetZBar {
    void operator()(zbar::zbar_image_scanner_s* p) const;
};
}  // namespace giu_c

using GiuDauVao = std::unique_ptr<AVFormatContext, giu_c::DongDauVao>;
using GiuDauRa = std::unique_ptr<AVFormatContext, giu_c::XoaDauRa>;
using GiuMaHoa = std::unique_ptr<AVCodecContext, giu_c::XoaMaHoa>;
using GiuKhung = std::unique_ptr<AVFrame, giu_c::XoaKhung>;
using GiuGoi = std::unique_ptr<AVPacket, giu_c::XoaGoi>;
using GiuVaoRa = std::unique_ptr<AVIOContext, giu_c::XoaVaoRa>;
using GiuSws = std::unique_ptr<SwsContext, giu_c::XoaSws>;
using GiuAnhZBar = std::unique_ptr<zbar::zbar_image_s, giu_c::XoaAnhZBar>;
using GiuQuetZBar = std::unique_ptr<zbar::zbar_image_scanner_s, giu_c::XoaQuetZBar>;

// FFmpeg's own text for one of its error codes (an AVERROR), as the places that report it show it.
QString vanBanLoiFFmpeg(int ma);
