#pragma once

#include "app/MainModule.h"
#include "link/IsoFrames.h"

#include <QMetaType>

// The base record as OK in the base-record window leaves it.
struct Batch {
    qint16 track = 1;
    IsoFrames::Tracks prefixes;
    qint64 start = 0;
    qint64 step = 1;
    qint32 count = 1;
    QByteArray suffix;

    void applyTo(MainModule &state) const {
        state.IncrTrack = track;
        state.Track1Data = prefixes[0];
        state.Track2Data = prefixes[1];
        state.Track3Data = prefixes[2];
        state.IncrNumber = start;
        state.IncrStep = step;
        state.IncrCount = count;
        state.IncrSuffix = suffix;
    }
};

Q_DECLARE_METATYPE(Batch)
