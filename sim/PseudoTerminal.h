#pragma once

#include <QString>

// The encoder's end of a pseudo-terminal. The other end is a serial port for any program
// that opens its device path; while none has it open, what the encoder sends is lost, as
// on a serial line, and reading gives EIO.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;
    ~PseudoTerminal() { close(); }

    // On failure returns false and error says why.
    bool open(QString &error);
    void close();
    [[nodiscard]] bool isOpen() const { return master_ >= 0; }
    [[nodiscard]] int fd() const { return master_; }
    [[nodiscard]] const QString &devicePath() const { return path_; }

private:
    int master_ = -1;
    QString path_;
};
