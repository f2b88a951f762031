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
struct AVDictionary;
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
// A memory block from av_malloc, until something that frees it itself takes it over.
struct XoaBoNho {
    void operator()(unsigned char* p) const;
};
struct XoaTuDien {
    void operator()(AVDictionary* p) const;
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
using GiuBoNho = std::unique_ptr<unsigned char, giu_c::XoaBoNho>;
using GiuTuDien = std::unique_ptr<AVDictionary, giu_c::XoaTuDien>;
using GiuSws = std::unique_ptr<SwsContext, giu_c::XoaSws>;
using GiuAnhZBar = std::unique_ptr<zbar::zbar_image_s, giu_c::XoaAnhZBar>;
using GiuQuetZBar = std::unique_ptr<zbar::zbar_image_scanner_s, giu_c::XoaQuetZBar>;

// The address of a held handle, for the calls that take T** and may free the handle or put another in its
// place: avformat_open_input frees a context it fails to open, av_dict_set may move the dictionary, and a call
// given options leaves in their place the ones it did not use. Whatever the call leaves there is held again at
// the end of the full expression, e.g. `av_dict_set(QuaDiaChi(tuyChon), "preset", "veryfast", 0)`.
template <class Giu>
class QuaDiaChi {
public:
    explicit QuaDiaChi(Giu& giu) : giu_(giu), p_(giu.release()) {}
    ~QuaDiaChi() { giu_.reset(p_); }
    QuaDiaChi(const QuaDiaChi&) = delete;
    QuaDiaChi& operator=(const QuaDiaChi&) = delete;
    operator typename Giu::pointer *() { return &p_; }

private:
    Giu& giu_;
    typename Giu::pointer p_;
};

// FFmpeg's own text for one of its error codes (an AVERROR), as the places that report it show it.
QString vanBanLoiFFmpeg(int ma);
