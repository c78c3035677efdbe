#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char *what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

bool PseudoTerminal::open(QString &error) {
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = systemError("cannot open a pseudo-terminal");
        return false;
    }
    char name[256] = {};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        error = systemError("cannot set up the pseudo-terminal");
        close();
        return false;
    }
    const int port = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (port < 0 || ::tcgetattr(port, &raw) != 0) {
        error = systemError("cannot open the pseudo-terminal's port end");
        if (port >= 0)
            ::close(port);
        close();
        return false;
    }
    // Bytes pass unchanged both ways: no echo, no line editing, no CR/LF translation.
    ::cfmakeraw(&raw);
    const bool applied = ::tcsetattr(port, TCSANOW, &raw) == 0;
    ::close(port);
    if (!applied) {
        error = systemError("cannot put the pseudo-terminal in raw mode");
        close();
        return false;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::close() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
    path_.clear();
}
