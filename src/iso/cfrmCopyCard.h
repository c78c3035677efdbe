#pragma once

#include "link/IsoProtocol.h"
#include "ui/PromptWindow.h"

inline constexpr auto CopyReadPause = std::chrono::milliseconds(500);
inline constexpr auto CopyReadSettle = std::chrono::milliseconds(500);

// The copy window's procedures. Its read pauses first, opens the port that the last read
// closed and prompts at once; LRQ118 settles only 0.5 s and resets the encoder after every
// outcome, KVT-380A collects each track until the line falls silent. The error indication
// opens the port the read closed, and its wait ends with the reply collection.
inline const IsoProtocol::Options CopyProtocol{
    .errorIndicator = {.opensPortLrq118 = true, .stop = Stop::OnCancelOrReplyDone},
    .read = {.pauseFirst = CopyReadPause,
             .opensPort = true,
             .promptsAtStart = true,
             .lrqSettle = CopyReadSettle,
             .lrqResetsAfter = true,
             .kvtCollects = true}};

// "Copy": reads a source card into the input record, writes it onto a target card, and
// again, until Cancel. Caption and prompt tell the operator which card is wanted.
class cfrmCopyCard : public PromptWindow {
    Q_OBJECT
public:
    static constexpr auto ClosingReplyLimit = std::chrono::milliseconds(500);
    static constexpr auto ClosingPause = std::chrono::milliseconds(200);

    static inline const QString ReadCaption = QStringLiteral("Copy Swipe Prompt - Read Source");
    static inline const QString WriteCaption = QStringLiteral("Copy Swipe Prompt - Write Target");
    static inline const QString ReadPrompt = QStringLiteral("Please swipe a card to read.");
    static inline const QString WritePrompt = QStringLiteral("Please swipe a card to write.");

    explicit cfrmCopyCard(const Context &context, QWidget *parent = nullptr);

protected:
    Opening openingHandshake() override;
    Next runCard() override;
    // Every way out of the copy loop has already set the message area.
    void cardLoopEnded() override {}
    void showOpeningError(Opening failure) override;
    void showCardError() override;
    void setErrorIndication(bool on) override;
    void sendClosingFrames() override;

private:
    enum class Phase { Read, Write };
    enum class ReadEnd { Read, Cancelled, Refused };
    enum class ErrorWindow { Read, Write };

    void enterPhase(Phase phase);
    // Until a source card is read whole.
    [[nodiscard]] ReadEnd readSource();
    // KVT-380A: the encoder must answer L with "^" before each read.
    [[nodiscard]] bool readyForRead();
    // Until the target card is written; false when the window is to close.
    [[nodiscard]] bool writeTarget();
    void cancelEnding();
    // The window is disabled while its error window is shown.
    void showError(ErrorWindow window);

    IsoProtocol protocol_;
};
