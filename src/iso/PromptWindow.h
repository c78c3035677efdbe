#pragma once

#include "link/IsoProtocol.h"

#include <QDialog>

#include <functional>
#include <optional>

class CommControl;
class MainRecords;
class QLabel;
class QPushButton;
class Waiter;
struct MainModule;

// Makes a window's port control; the program hands in the real one, tests a scripted one.
using PortFactory = std::function<CommControl *(QObject *parent)>;

// What every ISO prompt window shares: its port, the Cancel button, the card sentence with
// the card number, the swipe prompt, and the run: load, activation (guarded by
// SkipActivate), the opening handshake, the card loop and the closing step.
class PromptWindow : public QDialog, public SwipePrompt {
    Q_OBJECT
public:
    struct Context {
        MainModule &state;
        Waiter &waiter;
        MainRecords &records;
        PortFactory makePort;
    };

    PromptWindow(const Context &context, const IsoProtocol::Options &options,
                 QWidget *parent = nullptr);

    // Loads the window, shows it modal and returns when it has closed.
    void run();

    [[nodiscard]] bool skipActivate() const { return skipActivate_; }
    [[nodiscard]] int cardNumber() const { return cardNumber_; }

    void showSwipePrompt(bool shown) override;
    void portFailed(const QString &why) override;

    static inline const QString SwipePromptText = QStringLiteral("Please swipe a card.");

protected:
    enum class Opening { Ready, ResetFailed, CommandFailed };
    enum class Next { Continue, Stop };

    // Runs when the window is opened, after SkipActivate = False.
    virtual void load() {}
    // The first step of the run, after ReplyDone = False: by default opens the port and
    // discards what is waiting.
    virtual void startWork();
    virtual Opening openingHandshake() = 0;
    // One pass of the card loop.
    virtual Next runCard() = 0;
    virtual void showOpeningError(Opening failure) = 0;
    virtual void showCardError() = 0;
    // Start of the closing step; byOperator is false when the run closes the window itself.
    virtual void unloading(bool byOperator) { Q_UNUSED(byOperator); }
    // The Cancel button: closes the window unless a window says otherwise.
    virtual void cancelPressed();
    // Tells the operator, in one sentence, that the port failed.
    virtual void reportPortFailure(const QString &sentence);

    // Reset, pause, opening command: the handshake of the read and erase windows.
    Opening standardHandshake(IsoProtocol::Opening kind);
    // Opens the port with the shared settings and shows the card sentence.
    bool openPort();
    // SkipActivate = True, error indication on, the window's error window, indication off.
    void reportCardFailure();
    void setCardNumber(int number);
    void advanceCardNumber() { setCardNumber(cardNumber_ + 1); }
    // The card sentence; its run of blanks after "#" is where the card number shows.
    void setCardSentence(const QString &text);
    // Closing by the run itself.
    void closeWindow();

    [[nodiscard]] IsoProtocol &protocol() { return protocol_; }
    [[nodiscard]] MainModule &state() { return state_; }
    [[nodiscard]] MainRecords &records() { return records_; }
    [[nodiscard]] CommControl &port() { return *port_; }
    [[nodiscard]] QLabel *swipeLabel() const { return label2_; }

    void done(int result) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void activate();
    void queueActivation();
    void closingStep();
    void placeCardLabel();
    void reportPortFailureOnce();

    MainModule &state_;
    MainRecords &records_;
    CommControl *port_;
    IsoProtocol protocol_;
    QPushButton *cancel_;
    QLabel *label1_;
    QLabel *lc_;
    QLabel *label2_;
    QLabel *picture_;
    int cardNumber_ = 1;
    bool skipActivate_ = false;
    bool running_ = false;
    bool closed_ = false;
    bool closingByProgram_ = false;
    bool portFailed_ = false;
    std::optional<QString> unreportedPortFailure_;
};
