// Shipping labels from bwip-js, a generator that shares no code with the decoders under test, for bench_docmaDoiChieu.
// Usage: NODE_PATH=<folder holding bwip-js>/node_modules node nhanBwip.js <output folder>
// Writes one PNG per label (four pixels a module, white quiet zone) and danhSach.tsv: file, the reader's
// symbology identifier, payload; a line per label. Labels whose name starts with "phu-" are the smaller second
// codes that stand beside a label.
'use strict';
const fs = require('fs');
const path = require('path');
const bwipjs = require('bwip-js');

const ra = process.argv[2];
if (!ra) {
    console.error('usage: node nhanBwip.js <output folder>');
    process.exit(2);
}
fs.mkdirSync(ra, {recursive: true});

function gs1(chuSo) {
    let tong = 0;
    for (let i = 0; i < chuSo.length; ++i) tong += Number(chuSo[chuSo.length - 1 - i]) * (i % 2 === 0 ? 3 : 1);
    return String((10 - (tong % 10)) % 10);
}

// Six payloads per symbology, the kind printed on Vietnamese carriers' and shops' labels.
const loai = [
    ['Code128', 'code128', ['SPXVN046281937515', 'GHN-LK7P4Q2X', 'VTP1234567890', 'J&T 8401 2256 3391',
                            'NJV/HCM/00417', 'KVZ-2026-12-0001']],
    ['Code39', 'code39', ['KVZ39-A1', 'DH 000417', 'SKU-BAO-XL', 'VN2026+17', 'P$42.5/7', 'LO-7788']],
    ['Code93', 'code93', ['KVZ93-00417', 'GHTK.S1234', 'BEST 56789', 'DON-2026%4', 'A1B2C3D4', 'PX+88/21']],
    ['EAN13', 'ean13', ['893612345678', '893500012345', '890123456789', '400638133393', '978604101234',
                        '893800998877'].map(s => s + gs1(s))],
    ['EAN8', 'ean8', ['8936123', '8935001', '9638507', '4006381', '7351353', '5012345'].map(s => s + gs1(s))],
    ['I2of5', 'interleaved2of5', ['1234567890', '00417263', '987654321012', '55501234', '2026121104', '314159']],
    ['ITF14', 'itf14', ['1893612345678', '0893500012345', '3890123456789', '1400638133393', '2978604101234',
                        '5893800998877'].map(s => s + gs1(s))],
    ['QR', 'qrcode', ['GHN-DH2026-000417', 'https://korvane.vn/d/8F3K2', 'SPXVN046281937515|0901234567',
                      'VTP1234567890', 'NJV-HCM-00417-A', 'KVZ:2026:12:0001']],
    ['PDF417', 'pdf417', ['VNPOST EE123456789VN', 'GHTK S1234567 HCM-Q1', 'BEST 5678901234', 'KVZ-PDF-000417',
                          'NINJA VAN NJV00417', 'LAZADA LEX VN0123456']],
    ['DataMatrix', 'datamatrix', ['DM-KVZ-000417', 'SPXVN046281937515', 'GHN-LK7P4Q2X', '0189361234567858',
                                  'VTP1234567890-01', 'KVZ/DM/2026/12/01']],
];

// The smaller codes beside a label: short Code 128s, and a small QR beside the Code 128 labels.
const phu = [
    ['Code128', 'code128', ['PHU-0417', 'SL 2', 'KHO A3', 'B-17', 'COD 0', 'QC OK']],
    ['QR', 'qrcode', ['PHU-QR-1', 'PHU-QR-2', 'PHU-QR-3', 'PHU-QR-4', 'PHU-QR-5', 'PHU-QR-6']],
];

function ve(bcid, text) {
    const linear = !['qrcode', 'pdf417', 'datamatrix'].includes(bcid);
    const tuyChon = {bcid, text, scale: 4, includetext: false, paddingwidth: linear ? 10 : 4, paddingheight: 4,
                     backgroundcolor: 'FFFFFF'};
    if (linear) tuyChon.height = 12;  // millimetres of bar
    // Code 93's two check characters are part of the symbology, but the generator leaves them out unless asked.
    if (bcid === 'code93') tuyChon.includecheck = true;
    return bwipjs.toBuffer(tuyChon);
}

(async () => {
    const dong = [];
    let loi = 0;
    for (const [nhom, tienTo] of [[loai, ''], [phu, 'phu-']]) {
        for (const [dinhDanh, bcid, noiDung] of nhom) {
            for (const [i, text] of noiDung.entries()) {
                const tep = `${tienTo}${dinhDanh}-${i}.png`;
                try {
                    fs.writeFileSync(path.join(ra, tep), await ve(bcid, text));
                    dong.push(`${tep}\t${dinhDanh}\t${text}`);
                } catch (e) {
                    console.error(`${dinhDanh} '${text}': ${e.message || e}`);
                    ++loi;
                }
            }
        }
    }
    fs.writeFileSync(path.join(ra, 'danhSach.tsv'), dong.join('\n') + '\n');
    console.log(`${dong.length} labels in ${ra}`);
    process.exit(loi ? 1 : 0);
})();
