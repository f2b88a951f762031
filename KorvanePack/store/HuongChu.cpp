#include "store/HuongChu.h"

#include <QList>
#include <QVarLengthArray>

namespace {

constexpr char16_t kLRE = 0x202A, kRLE = 0x202B, kPDF = 0x202C, kLRO = 0x202D, kRLO = 0x202E;
constexpr char16_t kLRI = 0x2066, kRLI = 0x2067, kFSI = 0x2068, kPDI = 0x2069;

// Far below the algorithm's own depth of 125, leaving room for the isolates the page or widget adds around.
constexpr qsizetype kSauToiDa = 60;

bool laNgatDoan(char16_t c) {
    return c == u'\n' || c == u'\r' || c == 0x001C || c == 0x001D || c == 0x001E || c == 0x0085 || c == 0x2029;
}

}  // namespace

QString canBangHuong(const QString& giaTri) {
    // What each opener still open is: true for an isolate, false for an embedding or override.
    QVarLengthArray<bool, 8> mo;
    QString ra;
    ra.reserve(giaTri.size() + 4);
    const auto dongHet = [&] {
        while (!mo.isEmpty()) {
            ra += QChar(mo.back() ? kPDI : kPDF);
            mo.pop_back();
        }
    };
    for (const QChar qc : giaTri) {
        const char16_t c = qc.unicode();
        switch (c) {
            case kLRE:
            case kRLE:
            case kLRO:
            case kRLO:
            case kLRI:
            case kRLI:
            case kFSI:
                if (mo.size() >= kSauToiDa) continue;
                mo.push_back(c == kLRI || c == kRLI || c == kFSI);
                ra += qc;
                continue;
            case kPDF:
                // Inside an isolate a PDF closes nothing beyond it; with nothing open it is dropped.
                if (mo.isEmpty() || mo.back()) continue;
                mo.pop_back();
                ra += qc;
                continue;
            case kPDI: {
                qsizetype i = mo.size();
                while (i > 0 && !mo[i - 1]) --i;
                if (i == 0) continue;  // no isolate of the value's own: it would close the one around it
                mo.resize(i - 1);      // the PDI also closes the embeddings opened inside its isolate
                ra += qc;
                continue;
            }
            default:
                if (laNgatDoan(c)) dongHet();
                ra += qc;
        }
    }
    dongHet();
    return ra;
}

QString coLapHuong(const QString& giaTri) {
    bool coTheDoi = false;
    for (const uint c : giaTri.toUcs4()) {
        switch (QChar::direction(c)) {
            case QChar::DirR:
            case QChar::DirAL:
            case QChar::DirAN:
            case QChar::DirLRE:
            case QChar::DirLRO:
            case QChar::DirRLE:
            case QChar::DirRLO:
            case QChar::DirPDF:
            case QChar::DirLRI:
            case QChar::DirRLI:
            case QChar::DirFSI:
            case QChar::DirPDI:
                coTheDoi = true;
                break;
            default:
                break;
        }
        if (coTheDoi) break;
    }
    if (!coTheDoi) return giaTri;
    return QChar(kFSI) + canBangHuong(giaTri) + QChar(kPDI);
}

QString noiCoLapHuong(const QStringList& giaTri, const QString& ngan) {
    QStringList ds;
    ds.reserve(giaTri.size());
    for (const QString& v : giaTri) ds += coLapHuong(v);
    return ds.join(ngan);
}
