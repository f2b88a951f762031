#pragma once

#include <QByteArrayView>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "store/TepDongJson.h"

// One line of the journal as the check of the chain and the load of the last hash take it: both read the same
// bytes the same way, or the program's next append could chain onto a line the check never saw.
//
// The journal is split on line feeds with empty pieces dropped, and a UTF-8 byte-order mark is taken off the start
// of the file only (an editor may put one there; the program never writes one). A line that itself starts with one
// is not a JSON object as written and is broken, and so is one holding a NUL byte anywhere. A line nests no deeper
// than DocJson::kDoSauToiDa. Of two keys of one name in one object the last counts, for the hash and for every
// reader of the line. An integer too large for 64 bits keeps its digits: the program writes none, but a journal
// written elsewhere, by a serialiser that keeps them, was hashed with them.
class DongNhatKy {
public:
    // Absent when the line is not a JSON object by the rule above.
    static std::optional<DongNhatKy> doc(QByteArrayView dong);

    // Hands each line of a whole journal to moiDong(number from 1, line) until it returns false. A piece of white
    // space is a line like any other and fails the check: skipping it would call a journal intact that any other
    // reader of the same rule calls broken there, and shift every line number after it.
    template <class F>
    static void tachDong(QByteArrayView noiDung, F&& moiDong) {
        qsizetype i = TepDongJson::coBom(noiDung) ? 3 : 0;
        qint64 so = 0;
        while (i < noiDung.size()) {
            qsizetype ket = noiDung.indexOf('\n', i);
            if (ket < 0) ket = noiDung.size();
            if (ket > i && !moiDong(++so, noiDung.sliced(i, ket - i))) return;
            i = ket + 1;
        }
    }

    // The text under khoa, or none when it is missing or not text.
    const std::string* chu(const char* khoa) const;
    // The object without "hash", serialised as the journal hashes it (sorted keys, compact, "/" escaped); none
    // when it cannot be serialised. Takes "hash" out of the line, so what chu gave for it is gone afterwards.
    std::optional<std::string> tuanTuKhongBam();

private:
    DongNhatKy(nlohmann::json j, bool coSoLon) : j_(std::move(j)), coSoLon_(coSoLon) {}
    nlohmann::json j_;
    bool coSoLon_ = false;
};
