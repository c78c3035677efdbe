#pragma once

#include <QtGlobal>

// The outcome of one card operation.
enum class SwipeResult : qint16 { Failed = 0, Done = 1, NotDone = 2, Skipped = 3 };
