#pragma once

#include "link/IsoProtocol.h"
#include "ui/PromptWindow.h"

class RecoveryFile;

// "Save to File": reads one card after another and adds each card read whole to
// SaveFileText (and to the run's recovery file) until Cancel.
class cfrmEncodeWF : public PromptWindow {
    Q_OBJECT
public:
    // The LRQ118 read opens the port that PrepareWrite left closed; KVT-380A sends P through
    // SendAndWait and collects each track until the line is silent.
    inline static const IsoProtocol::Options Protocol{.read = {.opensPort = true,
                                                               .kvtCollects = true,
                                                               .collectYieldsFirst = true,
                                                               .collectStop = Stop::Never}};

    cfrmEncodeWF(const Context &context, RecoveryFile &recovery, QWidget *parent = nullptr);

protected:
    void startWork() override;
    Opening openingHandshake() override;
    Next runCard() override;
    void showOpeningError(Opening failure) override;
    void showCardError() override;
    void setErrorIndication(bool on) override;
    void sendClosingFrames() override;

private:
    IsoProtocol protocol_;
    RecoveryFile &recovery_;
};
