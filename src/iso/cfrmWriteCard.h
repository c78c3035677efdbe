#pragma once

#include "link/IsoProtocol.h"
#include "ui/PromptWindow.h"

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
    void setErrorIndication(bool on) override;
    void sendClosingFrames() override;

private:
    IsoProtocol protocol_;
};
