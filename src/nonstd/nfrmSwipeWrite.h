#pragma once

#include "link/NonIsoProtocol.h"
#include "ui/PromptWindow.h"

// Its SendAndWait settles before taking the last character, and its indications wait less
// and end on either stop flag.
inline const NonIsoProtocol::Options NonIsoSwipeWriteProtocol{
    .sendAndWait = {.settle = NonIsoProtocol::WriterSendAndWaitSettle,
                    .lastCharacterOnly = true,
                    .stop = Stop::OnCancelOrReplyDone},
    .errorIndicator = {.replyLimit = NonIsoProtocol::WriterIndicatorReplyLimit,
                       .stop = Stop::OnCancelOrReplyDone}};

// "Non-ISO Write Swipe Prompt": writes the keyed tracks (the custom data's values in the
// custom format) onto one card after another, at the chosen densities, until Cancel. A
// write that does not succeed is reported and the same card number is offered again. The
// data is checked once more before every card, so data breaking a rule of its format never
// reaches the encoder.
class nfrmSwipeWrite : public PromptWindow {
    Q_OBJECT
public:
    explicit nfrmSwipeWrite(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    void startWork() override;
    Opening openingHandshake() override;
    Next runCard() override;
    void showOpeningError(Opening failure) override;
    void showCardError() override;
    void setErrorIndication(bool on) override;
    void sendClosingFrames() override;

private:
    // The tracks as the write takes them, or none after telling the operator why they
    // cannot be written.
    [[nodiscard]] std::optional<NonIsoFrames::Tracks> writableTracks();
    // A write that did not succeed: the encoder is cleared and the error window shown.
    void writeFailed();

    NonIsoProtocol protocol_;
};
