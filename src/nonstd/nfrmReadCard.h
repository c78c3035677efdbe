#pragma once

#include "link/NonIsoProtocol.h"
#include "ui/PromptWindow.h"

#include <memory>

class nfrmReadStdFmt;

// The ready indication's answer stays waiting for the read that follows, which discards it.
inline const NonIsoProtocol::Options NonIsoReadProtocol{
    .ready = {.flushesFirst = true, .leavesReply = true}};

// Reads one card after another in the chosen Non-ISO formats and shows each in the result
// window, until Cancel.
class nfrmReadCard : public PromptWindow {
    Q_OBJECT
public:
    explicit nfrmReadCard(const Context &context, QWidget *parent = nullptr);
    ~nfrmReadCard() override;

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
    NonIsoProtocol protocol_;
    std::unique_ptr<nfrmReadStdFmt> result_;
};
