#pragma once

#include "iso/IncrementalBatch.h"
#include "iso/IsoWriteWindow.h"

#include <chrono>

// "Incremental Encode", last step: writes IncrCount cards, each with the base record and
// IncrNumber on track IncrTrack. A written card moves the number on by IncrStep; a failed
// one is offered again with the same number.
class cfrmWriteIncr : public IsoWriteWindow {
    Q_OBJECT
public:
    // The LRQ118 write frame goes out without the receive buffer being emptied around it.
    inline static const IsoProtocol::Options Protocol{.write = {.flushes = false}};
    // KVT-380A: the opening reset yields first and waits 0.5 s for its answer, then 0.1 s
    // more before taking it.
    static constexpr auto ResetAnswerLimit = std::chrono::milliseconds(500);
    static constexpr auto ResetSettle = std::chrono::milliseconds(100);
    inline static const ResetRule OpeningReset{
        .yieldsFirst = true, .replyLimit = ResetAnswerLimit, .settle = ResetSettle};
    static constexpr auto CardPause = std::chrono::milliseconds(500);
    inline static const QByteArray WriteErrorCaption = "Incremental Encode Write Error";

    explicit cfrmWriteIncr(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    void startWork() override;
    Opening openingHandshake() override;
    Next runCard() override;
    void showOpeningError(Opening failure) override;
    void unloading(bool byOperator) override;

private:
    void showProgress();
    // Tells the operator why the card cannot be written; the batch ends with it.
    void reportUnwritableCard(const IsoFrames::Tracks &card,
                              const IncrementalBatch::CardFault &fault);

    // The batch size, fixed when the run starts.
    qint32 total_ = 0;
};
