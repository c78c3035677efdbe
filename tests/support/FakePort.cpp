#include "FakePort.h"

bool FakePort::open() {
    openError_ = openFailure_.isEmpty() ? refusal() : openFailure_;
    if (!openError_.isEmpty())
        return false;
    if (!open_) {
        ++opens_;
        open_ = true;
        opened();
    }
    return true;
}

void FakePort::close() {
    if (open_)
        ++closes_;
    open_ = false;
    buffer_.clear();
}

void FakePort::output(const QByteArray &bytes) {
    if (!open_)
        return;
    sends_.append(bytes);
    deliver(bytes);
}

QByteArray FakePort::input() {
    collect();
    QByteArray taken;
    taken.swap(buffer_);
    return taken;
}

int FakePort::inBufferCount() {
    collect();
    return static_cast<int>(buffer_.size());
}
