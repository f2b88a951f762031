#pragma once

#include <QComboBox>
#include <QString>

// Every picker over a fixed table of (id, ten) entries draws its rows the same way: the label is only shown,
// the id is what gets stored and compared. Any entry type whose fields `id` and `ten` are texts will do
// (the platform table, the return reasons and decisions).
template <class Muc>
void dongLuaChon(QComboBox* hop, const Muc& muc) {
    hop->addItem(muc.ten, muc.id);
}

// The row whose id equals the bound text exactly (case-sensitive, untrimmed); -1 when none does.
int hangCuaId(const QComboBox* hop, const QString& id);

// Selects the row of that id, or no row when there is none, without announcing the change.
void chonTheoId(QComboBox* hop, const QString& id);

// The id of the chosen row; the empty text when no row is chosen.
QString idDangChon(const QComboBox* hop);
