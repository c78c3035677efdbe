#pragma once

#include "link/IsoProtocol.h"
#include "ui/PromptWindow.h"

// "Read": reads one card after another into the output record until Cancel.
class cfrmReadCard : public PromptWindow {
    Q_OBJECT
public:
    explicit cfrmReadCard(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    void startWork() override;
    Opening openingHandshake() override;
    Next runCard() override;
    void showOpeningError(Opening failure) override;
    void showCardError() override;
    void setErrorIndication(bool on) override;
    void sendClosingFrames() override;
    void cancelPressed() override;

private:
    void failureReport(bool clearRecord);

    IsoProtocol protocol_;
};
