#pragma once

#include "link/IsoProtocol.h"
#include "ui/PromptWindow.h"

// The erase window's procedures: SendAndWait and the error indication do not yield first,
// and SendAndWait does not yield while it waits (so it gives up after a bound instead).
inline const IsoProtocol::Options EraseProtocol{.sendAndWait = {.yields = false},
                                                .errorIndicator = {.yieldsFirst = false}};

// "Erase": erases the tracks chosen in EraseTrackMask on one card after another until
// Cancel.
class frmEraseCard : public PromptWindow {
    Q_OBJECT
public:
    static constexpr qint16 AllTracks = 0x07;
    static constexpr auto NextCardPause = std::chrono::seconds(2);

    static inline const QString CardSentence =
        QStringLiteral("You are erasing card #                   . Please swipe a card.");

    explicit frmEraseCard(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    void startWork() override;
    Opening openingHandshake() override;
    Next runCard() override;
    // The last card's message stays when the window is closed during the pause after it.
    void cardLoopEnded() override {}
    void showOpeningError(Opening failure) override;
    void showCardError() override;
    void setErrorIndication(bool on) override;
    void sendClosingFrames() override;

private:
    // KVT-380A: both indications off after a refused command, before the error window.
    void lightsOut();

    IsoProtocol protocol_;
    qint32 cardCounter_ = 1;
    // No track chosen: the encoder is never told anything.
    bool nothingToErase_ = false;
};
