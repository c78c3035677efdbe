#include "ModelPort.h"

#include "FakeTime.h"

namespace {

const QString kUnplugged = QStringLiteral("The encoder's serial adapter was unplugged.");

} // namespace

ModelPort::ModelPort(FakeClock &clock, EncoderModel::CommandSet set) : clock_(clock), model_(set) {
    model_.setEventSink([this](const QString &line) { events_ << line; });
}

void ModelPort::swipe() {
    model_.swipe(clock_.now());
}

void ModelPort::vanish() {
    model_.vanish();
    loseConnection();
}

void ModelPort::plugIn() {
    model_.reappear();
}

bool ModelPort::open() {
    openError_.clear();
    if (!openFailure_.isEmpty() || model_.vanished()) {
        openError_ = openFailure_.isEmpty() ? kUnplugged : openFailure_;
        return false;
    }
    if (!open_)
        ++opens_;
    open_ = true;
    // Whatever the encoder sent while nobody listened is gone.
    (void)model_.takeOutput(clock_.now());
    return true;
}

void ModelPort::close() {
    if (open_)
        ++closes_;
    open_ = false;
    buffer_.clear();
}

void ModelPort::output(const QByteArray &bytes) {
    if (!open_)
        return;
    sends_.append(bytes);
    model_.receive(bytes, clock_.now());
    loseConnection();
}

QByteArray ModelPort::input() {
    collect();
    QByteArray taken;
    taken.swap(buffer_);
    return taken;
}

int ModelPort::inBufferCount() {
    collect();
    return static_cast<int>(buffer_.size());
}

void ModelPort::collect() {
    if (!open_)
        return;
    buffer_ += model_.takeOutput(clock_.now());
    loseConnection();
}

void ModelPort::loseConnection() {
    if (!open_ || !model_.vanished())
        return;
    close();
    Q_EMIT connectionLost(kUnplugged);
}
