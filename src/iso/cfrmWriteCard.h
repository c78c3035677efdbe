#pragma once

#include "iso/IsoWriteWindow.h"

// "Write": writes the input record onto one card after another until Cancel.
class cfrmWriteCard : public IsoWriteWindow {
    Q_OBJECT
public:
    explicit cfrmWriteCard(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    Opening openingHandshake() override;
    Next runCard() override;
};
