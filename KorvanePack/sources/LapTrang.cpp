#include "sources/LapTrang.h"

LapTrang::KetThuc LapTrang::chay(const DocTrang& docTrang, const Tran& tran) {
    for (int trang = 0;;) {
        switch (docTrang(trang)) {
            case SauTrang::het:
                return KetThuc::het;
            case SauTrang::dungLai:
                return KetThuc::conTrang;
            case SauTrang::conNua:
                break;
        }
        if (++trang >= tran()) return KetThuc::conTrang;
    }
}

LapTrang::KetThuc LapTrang::chay(const DocTrang& docTrang, int tran) {
    return chay(docTrang, [tran] { return tran; });
}
