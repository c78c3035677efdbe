#pragma once

#include "iso/CardDataFile.h"
#include "iso/IsoWriteWindow.h"

#include <chrono>
#include <optional>

// "Encode from File": writes the records of EncodeFileText onto one card after another,
// until the file ends or the operator cancels; Skip drops the record waiting for a card.
class cfrmEncodeRF : public IsoWriteWindow {
    Q_OBJECT
public:
    // SendAndWait opens the port when closed and lets the reply settle; the write neither
    // pauses nor flushes, Skip (and LRQ118 Cancel) ends it with Skipped, KVT-380A answers
    // must be exactly "^", and Cancel during the KVT-380A swipe wait sends DEL.
    inline static const IsoProtocol::Options Protocol{
        .sendAndWait = {.opensPort = true, .settle = std::chrono::milliseconds(100)},
        .errorIndicator = {.opensPortKvt380a = true},
        .write = {.pauses = false,
                  .flushes = false,
                  .skips = true,
                  .ackExact = true,
                  .cancelResets = true}};
    // Time for the operator to look at the card written before the next record.
    static constexpr auto RecordPause = std::chrono::milliseconds(1500);

    explicit cfrmEncodeRF(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    void startWork() override;
    Opening openingHandshake() override;
    Next runCard() override;
    void unloading(bool byOperator) override;
    void sendClosingFrames() override;

private:
    std::optional<RecordReader> reader_;
    bool takeNext_ = true;
};
