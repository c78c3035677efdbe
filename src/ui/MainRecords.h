#pragma once

#include <QByteArray>

// What prompt windows may do to the main window: read and fill its input and output
// records (TIT 0..5 with their length labels LT 0..5) and its message area (Label4).
class MainRecords {
public:
    virtual ~MainRecords() = default;
    [[nodiscard]] virtual QByteArray track(int index) const = 0;
    // Sets TIT(index); its length label follows the text, as typing does.
    virtual void setTrack(int index, const QByteArray &text) = 0;
    // Overrides LT(index), for the cases where the shown length is not the text's.
    virtual void setLength(int index, const QByteArray &caption) = 0;
    [[nodiscard]] virtual QByteArray length(int index) const = 0;
    [[nodiscard]] virtual QByteArray message() const = 0;
    virtual void setMessage(const QByteArray &text) = 0;
};
