#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a prompt window goes, all rectangles being window frames in screen coordinates:
// beside its owner, right or else left, top edges level, when the screen has room there;
// otherwise over the owner's buttons, so that the records the prompt fills stay in view.
// Either way the prompt lies wholly on the screen (its top left, when it is larger).
[[nodiscard]] QPoint promptPosition(const QRect &screen, const QRect &owner,
                                    const QRect &ownerButtons, const QSize &prompt);
