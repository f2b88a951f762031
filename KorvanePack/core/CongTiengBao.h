#pragma once

// What the coordinator needs of the sound player: one cue per outcome (0 accepted, 1 saved,
// 2 code not among the synced orders, 3 cancelled order, 4 error). Tests record the cues.
class CongTiengBao {
public:
    virtual ~CongTiengBao() = default;
    virtual void phat(int loai) = 0;
};
