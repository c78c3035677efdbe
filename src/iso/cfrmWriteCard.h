#pragma once

#include "link/IsoProtocol.h"
#include "ui/PromptWindow.h"

// "Write": writes the input record onto one card after another until Cancel.
class cfrmWriteCard : public PromptWindow {
    Q_OBJECT
public:
    // The indications are switched off before the error window as the other indicator
    // exchanges are made: a silent encoder must not keep the error window from showing.
    static constexpr SendAndWaitRule LightsOutExchange{.limit = IndicatorReplyLimit};

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
    void lightsOut();

    IsoProtocol protocol_;
};
