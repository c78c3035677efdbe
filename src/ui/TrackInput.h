#pragma once

#include "ui/EntryFieldGuard.h"

#include <array>

struct MainModule;

// The keyed-entry rules of track boxes: the main window's input record and the boxes of
// the windows that take track text the same way.

inline constexpr std::array<int, 3> TrackMaxLength = {76, 37, 104};

// " 7-Bit Character (Std T1) Format Error" or " 5-Bit Character (Std T2/T3) Format Error",
// with "Use the following characters only:" and the track's characters.
[[nodiscard]] GuardMessage RefusedKeyMessage(int track);
// The same with "fellowing", as the leaving check has always said it.
[[nodiscard]] GuardMessage LeavingMessage(int track);

// Track 1 (track = 0) upper-cases keys and its text on leaving; tracks 2 and 3 take digits
// and ":;=>" only. The leaving check accepts what the track can hold.
[[nodiscard]] EntryRule TrackEntryRule(int track, const MainModule &state);
