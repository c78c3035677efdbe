#pragma once

#include "app/MainModule.h"
#include "link/NonIsoFrames.h"

#include <array>

// A Non-ISO format selection and its densities, as the format and density windows leave
// them in the shared state; the ISO densities unless a test chooses others.
struct NonIsoChoice {
    bool standard = true;
    std::array<QByteArray, 3> formats{};
    std::array<QByteArray, 3> densities{NonIsoFrames::Density::Bpi210, NonIsoFrames::Density::Bpi75,
                                        NonIsoFrames::Density::Bpi210};

    void applyTo(MainModule &state) const {
        state.NonIsoStdFormat = standard;
        state.NonIsoT1Format = formats[0];
        state.NonIsoT2Format = formats[1];
        state.NonIsoT3Format = formats[2];
        state.NonIsoT1Density = densities[0];
        state.NonIsoT2Density = densities[1];
        state.NonIsoT3Density = densities[2];
    }
};
