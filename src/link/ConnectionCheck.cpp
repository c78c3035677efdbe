#include "link/ConnectionCheck.h"

#include "app/MainModule.h"
#include "link/CommControl.h"
#include "link/IsoFrames.h"
#include "link/Waiter.h"

#include <algorithm>

using namespace std::chrono_literals;
namespace Lrq = IsoFrames::Lrq118;
namespace Kvt = IsoFrames::Kvt380a;

namespace {

constexpr Duration ReplyLimit = 1s;
constexpr Duration PauseAfterReset = 1s;
constexpr Duration ResetSettle = 500ms;

QString shown(const QByteArray &reply) {
    if (reply.isEmpty())
        return QStringLiteral("nothing");
    const bool printable = std::all_of(reply.begin(), reply.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
    });
    const QString hex = QStringLiteral("bytes ") + QString::fromLatin1(reply.toHex(' '));
    return printable ? QStringLiteral("\"%1\" (%2)").arg(QString::fromLatin1(reply), hex) : hex;
}

} // namespace

ConnectionCheck::ConnectionCheck(MainModule &state, CommControl &port, Waiter &waiter,
                                 std::function<bool()> quitting)
    : state_(state), port_(port), waiter_(waiter), quitting_(std::move(quitting)) {}

ConnectionCheck::Outcome ConnectionCheck::run(bool highCoercivity) {
    reason_.clear();
    const Outcome outcome =
        state_.isKvt380a() ? checkKvt380a(highCoercivity) : checkLrq118(highCoercivity);
    return quitting_() ? Outcome::Abandoned : outcome;
}

QByteArray ConnectionCheck::sendAndCollect(const QByteArray &command, int count) {
    port_.input();
    port_.output(command);
    const WaitEnd end = waiter_.waitForBytes(port_, count, WaitRule{ReplyLimit, true, quitting_});
    return end == WaitEnd::Met ? port_.input() : QByteArray();
}

QByteArray ConnectionCheck::SendAndRead(const QByteArray &command) {
    return sendAndCollect(command, 1);
}

QByteArray ConnectionCheck::SendAndReadPair(const QByteArray &command) {
    waiter_.yieldOnce();
    return sendAndCollect(command, 2);
}

ConnectionCheck::Outcome ConnectionCheck::fail(Outcome outcome, const QString &reason) {
    reason_ = reason;
    return outcome;
}

ConnectionCheck::Outcome ConnectionCheck::checkKvt380a(bool highCoercivity) {
    const QByteArray r1 = SendAndRead(Kvt::Reset);
    waiter_.pause(PauseAfterReset, true, quitting_);
    if (quitting_())
        return Outcome::Abandoned;
    if (!r1.isEmpty() && r1 != Kvt::Ack && r1 != Kvt::ResetAck)
        return fail(Outcome::Failed, QStringLiteral("The encoder answered the reset with %1, "
                                                    "not as a KVT-380A encoder does.")
                                         .arg(shown(r1)));

    waiter_.yieldOnce();
    port_.output(highCoercivity ? Kvt::HighCoercivity : Kvt::LowCoercivity);
    if (waiter_.waitForBytes(port_, 1, WaitRule{ReplyLimit, true, quitting_}) != WaitEnd::Met)
        return fail(Outcome::Failed,
                    QStringLiteral("The encoder did not answer the coercivity command."));
    const QByteArray r2 = port_.input();
    if (r2.startsWith(Kvt::Ack) || r2 == Kvt::ResetAck) {
        state_.HighCoercivity = highCoercivity;
        return Outcome::Passed;
    }
    return fail(
        Outcome::PassedWithWarning,
        QStringLiteral("The encoder answered the coercivity command with %1.").arg(shown(r2)));
}

ConnectionCheck::Outcome ConnectionCheck::checkLrq118(bool highCoercivity) {
    SendAndReadPair(Lrq::Reset);
    if (quitting_())
        return Outcome::Abandoned;
    const QByteArray test = SendAndReadPair(Lrq::CommTest);
    if (quitting_())
        return Outcome::Abandoned;
    if (test != Lrq::CommTestReply)
        return fail(Outcome::FailedWithBeep,
                    QStringLiteral("The encoder answered the communication test with %1, not "
                                   "as an LRQ118 encoder does.")
                        .arg(shown(test)));

    port_.output(Lrq::Reset);
    waiter_.pause(ResetSettle, false);

    const QByteArray co =
        SendAndReadPair(highCoercivity ? Lrq::HighCoercivity : Lrq::LowCoercivity);
    if (quitting_())
        return Outcome::Abandoned;
    if (co != Lrq::Success)
        return fail(
            Outcome::FailedWithBeep,
            QStringLiteral("The encoder answered the coercivity command with %1.").arg(shown(co)));
    return Outcome::Passed;
}
