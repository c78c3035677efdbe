#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// What prompt windows may do to the main window: read and fill its input and output
// records (TIT 0..5 with their length labels LT 0..5) and its message area (Label4).
class MainRecords {
public:
    using Tracks = std::array<QByteArray, 3>;

    static constexpr int InputTrack1 = 0;
    static constexpr int OutputTrack1 = 3;

    // How a track's length is shown: a read shows "+" (blank) as 0, a written record shows
    // the text's own length.
    enum class BlankLength { Zero, AsText };

    virtual ~MainRecords() = default;
    [[nodiscard]] virtual QByteArray track(int index) const = 0;
    // Sets TIT(index); its length label follows the text, as typing does.
    virtual void setTrack(int index, const QByteArray &text) = 0;
    // Overrides LT(index), for the cases where the shown length is not the text's.
    virtual void setLength(int index, const QByteArray &caption) = 0;
    [[nodiscard]] virtual QByteArray length(int index) const = 0;
    [[nodiscard]] virtual QByteArray message() const = 0;
    virtual void setMessage(const QByteArray &text) = 0;
    // A message naming something that is not track data, such as a file's path.
    virtual void setMessageText(const QString &text);

    [[nodiscard]] Tracks input() const;
    void showInput(const Tracks &tracks, BlankLength blank);
    void clearInput();
    void showOutput(const Tracks &tracks, BlankLength blank);
    // A failed card: "*" and 0 on every output track.
    void markOutputFailed();
    void clearOutput();

private:
    void fill(int first, const Tracks &tracks, BlankLength blank);
};
