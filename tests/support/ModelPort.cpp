#include "ModelPort.h"

#include "FakeTime.h"

namespace {

const QString kUnplugged = QStringLiteral("The encoder's serial adapter was unplugged.");

} // namespace

ModelPort::ModelPort(FakeClock &clock, EncoderModel::CommandSet set)
    : FakePort(clock), model_(set) {
    model_.setEventSink([this](const QString &line) { events_ << line; });
}

void ModelPort::swipe() {
    model_.swipe(clock().now());
}

void ModelPort::vanish() {
    model_.vanish();
    loseConnection();
}

void ModelPort::plugIn() {
    model_.reappear();
}

QString ModelPort::refusal() const {
    return model_.vanished() ? kUnplugged : QString();
}

void ModelPort::opened() {
    // Whatever the encoder sent while nobody listened is gone.
    (void)model_.takeOutput(clock().now());
}

void ModelPort::deliver(const QByteArray &bytes) {
    model_.receive(bytes, clock().now());
    loseConnection();
}

void ModelPort::collect() {
    if (!isOpen())
        return;
    buffer() += model_.takeOutput(clock().now());
    loseConnection();
}

void ModelPort::loseConnection() {
    if (!isOpen() || !model_.vanished())
        return;
    close();
    Q_EMIT connectionLost(kUnplugged);
}
