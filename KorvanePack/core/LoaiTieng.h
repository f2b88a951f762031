#pragma once

// The desk's five cue kinds. The numbers are the ones the cues are known by and index the tone table, so
// they stay as written.
enum class LoaiTieng : int {
    nhanMa = 0,      // code accepted: recording started, serial captured, code read in returns mode
    daLuu = 1,       // saved: video, relink, declaration
    khongCoDon = 2,  // code not among the synced orders
    donDaHuy = 3,    // order cancelled on the platform
    coLoi = 4,       // error, or a problem found
};
