#pragma once

#include "ui/MainRecords.h"

#include <QByteArrayList>

#include <array>

// The main window's records and message area, without the window.
class FakeRecords final : public MainRecords {
public:
    [[nodiscard]] QByteArray track(int index) const override { return tracks_.at(index); }
    void setTrack(int index, const QByteArray &text) override {
        tracks_.at(index) = text;
        lengths_.at(index) = QByteArray::number(text.size());
    }
    void setLength(int index, const QByteArray &caption) override { lengths_.at(index) = caption; }
    [[nodiscard]] QByteArray length(int index) const override { return lengths_.at(index); }
    [[nodiscard]] QByteArray message() const override { return message_; }
    void setMessage(const QByteArray &text) override {
        message_ = text;
        messageLog << text;
    }

    // Every message shown, in order.
    QByteArrayList messageLog;

private:
    std::array<QByteArray, 6> tracks_;
    std::array<QByteArray, 6> lengths_{"0", "0", "0", "0", "0", "0"};
    QByteArray message_;
};
