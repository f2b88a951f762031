#pragma once

class BoTronAm;

// The sound output. It pulls from the mixer once running; a machine without a sound device just never runs.
class DauRaAmThanh {
public:
    virtual ~DauRaAmThanh() = default;

    // Makes sure the output is running and pulling from `nguon`, starting it again when it stopped, failed or
    // the default device changed. Returns whether it runs now. Called before every note, so a device that was
    // unplugged or replaced is picked up on the next cue.
    virtual bool damBaoChay(BoTronAm& nguon) = 0;
};
