#pragma once

#include "EncoderModel.h"
#include "link/Clock.h"
#include "link/CommControl.h"

#include <QStringList>

class FakeClock;

// A port with the virtual encoder behind it, on the fake clock: what is sent reaches the
// encoder at the clock's time, and its replies are waiting once the clock has passed
// their time. The encoder's event lines are kept for the test to look at.
class ModelPort final : public CommControl {
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
    void failOpen(const QString &why) { openFailure_ = why; }

    [[nodiscard]] QByteArray sent() const { return sends_.join(); }
    [[nodiscard]] const QList<QByteArray> &sends() const { return sends_; }
    void clearSent() { sends_.clear(); }
    [[nodiscard]] const QStringList &events() const { return events_; }
    int opens() const { return opens_; }
    int closes() const { return closes_; }

    void setCommPort(int number) override { number_ = number; }
    [[nodiscard]] int commPort() const override { return number_; }
    void setSettings(const QByteArray &settings) override { settings_ = settings; }
    [[nodiscard]] QByteArray settings() const override { return settings_; }
    bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return open_; }
    [[nodiscard]] QString openError() const override { return openError_; }
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    [[nodiscard]] int inBufferCount() override;
    void waitForBytes(int) override {}

private:
    void collect();
    void loseConnection();

    FakeClock &clock_;
    EncoderModel model_;
    QList<QByteArray> sends_;
    QStringList events_;
    QByteArray buffer_;
    QString openFailure_;
    QString openError_;
    QByteArray settings_;
    int number_ = 1;
    bool open_ = false;
    int opens_ = 0;
    int closes_ = 0;
};
