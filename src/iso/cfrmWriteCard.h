#pragma once

#include "iso/PromptWindow.h"

// "Write": writes the input record onto one card after another until Cancel.
class cfrmWriteCard : public PromptWindow {
    Q_OBJECT
public:
    explicit cfrmWriteCard(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    Opening openingHandshake() override;
    Next runCard() override;
    void showOpeningError(Opening failure) override;
    void showCardError() override;

private:
    void lightsOut();
};
