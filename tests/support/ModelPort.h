#pragma once

#include "EncoderModel.h"
#include "FakePort.h"

#include <QStringList>

class FakeClock;

// A port with the virtual encoder behind it, on the fake clock: what is sent reaches the
// encoder at the clock's time, and its replies are waiting once the clock has passed
// their time. The encoder's event lines are kept for the test to look at.
class ModelPort : public FakePort {
    Q_OBJECT
public:
    ModelPort(FakeClock &clock, EncoderModel::CommandSet set);

    [[nodiscard]] EncoderModel &model() { return model_; }
    // The card in the slot is swiped now.
    void swipe();
    // The adapter is pulled out: the port closes under its user, who is told so, and
    // cannot be opened again until plugIn().
    void vanish();
    void plugIn();
    [[nodiscard]] const QStringList &events() const { return events_; }

protected:
    void deliver(const QByteArray &bytes) override;
    void collect() override;
    [[nodiscard]] QString refusal() const override;
    void opened() override;

private:
    void loseConnection();

    EncoderModel model_;
    QStringList events_;
};
