#include "core/GiuThuVienC.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}
#include <zbar.h>

namespace giu_c {

void DongDauVao::operator()(AVFormatContext* p) const {
    avformat_close_input(&p);
}

void XoaDauRa::operator()(AVFormatContext* p) const {
    avformat_free_context(p);
}

void XoaMaHoa::operator()(AVCodecContext* p) const {
    avcodec_free_context(&p);
}

void XoaKhung::operator()(AVFrame* p) const {
    av_frame_free(&p);
}

void XoaGoi::operator()(AVPacket* p) const {
    av_packet_free(&p);
}

void XoaVaoRa::operator()(AVIOContext* p) const {
    av_freep(&p->buffer);
    avio_context_free(&p);
}

void XoaBoNho::operator()(unsigned char* p) const {
    av_free(p);
}

void XoaTuDien::operator()(AVDictionary* p) const {
    av_dict_free(&p);
}

void XoaSws::operator()(SwsContext* p) const {
    sws_freeContext(p);
}

void XoaAnhZBar::operator()(zbar::zbar_image_s* p) const {
    zbar::zbar_image_destroy(p);
}

void XoaQuetZBar::operator()(zbar::zbar_image_scanner_s* p) const {
    zbar::zbar_image_scanner_destroy(p);
}

}  // namespace giu_c

QString vanBanLoiFFmpeg(int ma) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(ma, buf, sizeof buf);
    return QString::fromUtf8(buf);
}
