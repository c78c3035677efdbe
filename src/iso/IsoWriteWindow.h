#pragma once

#include "link/IsoProtocol.h"
#include "ui/PromptWindow.h"

// What the windows that write ISO cards share: their protocol, the write-type opening, the
// indications and error windows after a failed write, and DEL when a KVT-380A window closes.
class IsoWriteWindow : public PromptWindow {
    Q_OBJECT
public:
    IsoWriteWindow(const Context &context, const IsoProtocol::Options &protocol,
                   const Look &look = {}, QWidget *parent = nullptr);

protected:
    // LRQ118: 1B 84, then PrepareWrite. KVT-380A: the reset with rule, the pause, then "(".
    Opening writeOpening(const ResetRule &reset);
    // A write that ended without Done: unless the operator cancelled, "*" in the output
    // record, the message area emptied, the indications reset and the write error window. A refused
    // command (NotDone) and Cancel end the loop.
    Next writeFailed(SwipeResult result);

    void showOpeningError(Opening failure) override;
    void showCardError() override;
    void setErrorIndication(bool on) override;
    void sendClosingFrames() override;

    [[nodiscard]] IsoProtocol &protocol() { return protocol_; }

private:
    IsoProtocol protocol_;
};
