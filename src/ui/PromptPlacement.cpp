#include "ui/PromptPlacement.h"

#include <algorithm>

namespace {

// Between the owner's frame and the prompt's, so the two read as separate windows.
constexpr int Gap = 8;

int clamp(int position, int length, int first, int span) {
    return std::max(first, std::min(position, first + span - length));
}

} // namespace

QPoint promptPosition(const QRect &screen, const QRect &owner, const QRect &ownerButtons,
                      const QSize &prompt) {
    const int top = clamp(owner.top(), prompt.height(), screen.top(), screen.height());
    if (screen.right() - owner.right() - Gap >= prompt.width())
        return {owner.right() + 1 + Gap, top};
    if (owner.left() - screen.left() - Gap >= prompt.width())
        return {owner.left() - Gap - prompt.width(), top};
    const QRect buttons = ownerButtons.isValid() ? ownerButtons : owner;
    const int left = buttons.left() + (buttons.width() - prompt.width()) / 2;
    return {clamp(left, prompt.width(), screen.left(), screen.width()),
            clamp(buttons.top(), prompt.height(), screen.top(), screen.height())};
}
