#pragma once

#include "link/LinkSession.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class CommControl;
class MainRecords;
class QLabel;
class QPushButton;
class Waiter;
struct MainModule;
struct PortConfig;

// Makes a window's port control; the program hands in the real one, tests a scripted one.
using PortFactory = std::function<CommControl *(QObject *parent)>;

// What every prompt window shares, whatever it tells the encoder: its port and link
// session, the Cancel button (and Skip where a window has one), the card sentence with the
// card number, the swipe prompt, and the run: load, activation (guarded by SkipActivate),
// the opening handshake, the card loop and the closing step. Each window owns its protocol.
class PromptWindow : public QDialog, public SwipePrompt {
    Q_OBJECT
public:
    struct Context {
        MainModule &state;
        Waiter &waiter;
        MainRecords &records;
        const PortConfig &port;
        PortFactory makePort;
    };

    // The controls a window has beyond Cancel.
    struct Look {
        // Label1, the card sentence, with the card number LC over its blanks.
        bool cardSentence = true;
        // Command1(1), "Skip", disabled until the window enables it.
        bool skipButton = false;
        // objectName of the swipe prompt label.
        const char *promptName = "Label2";
    };

    PromptWindow(const Context &context, const Look &look, QWidget *parent = nullptr);
    ~PromptWindow() override;

    // Loads the window, shows it modal and returns when it has closed.
    void run();

    [[nodiscard]] int cardNumber() const { return cardNumber_; }

    void showSwipePrompt(bool shown) override;
    bool takeSkipRequest() override;
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
    // After the card loop, before the window closes: clears the message area unless the
    // window keeps what its last card left there.
    virtual void cardLoopEnded();
    virtual void showOpeningError(Opening failure) = 0;
    virtual void showCardError() = 0;
    // The encoder's error indication, switched as the window's protocol does it.
    virtual void setErrorIndication(bool on) = 0;
    // Start of the closing step; byOperator is false when the run closes the window itself.
    virtual void unloading(bool byOperator) { Q_UNUSED(byOperator); }
    // The frames the window sends when it closes, before the port is closed.
    virtual void sendClosingFrames() {}
    // The Cancel button: closes the window unless a window says otherwise.
    virtual void cancelPressed();
    // The Skip button: hides the card sentence and the prompt, disables itself, and asks
    // the pending write to skip.
    virtual void skipPressed();
    // Tells the operator, in one sentence, that the port failed.
    virtual void reportPortFailure(const QString &sentence);

    // Reset, pause, opening command with kvtOpening ("L" or "(").
    Opening standardHandshake(const QByteArray &kvtOpening);
    // Opens the port with the chosen settings and shows the card sentence.
    bool openPort();
    // SkipActivate = True, error indication on, the window's error window, indication off.
    void reportCardFailure();
    void setCardNumber(int number);
    void advanceCardNumber() { setCardNumber(cardNumber_ + 1); }
    // The card sentence; its run of blanks after "#" is where the card number shows.
    void setCardSentence(const QString &text);
    void showCardSentence(bool shown);
    void setPromptText(const QString &text);
    void setSkipEnabled(bool enabled);
    void setSkipActivate() { skipActivate_ = true; }
    // Closing by the run itself.
    void closeWindow();

    [[nodiscard]] LinkSession &session() { return *session_; }
    [[nodiscard]] MainModule &state() { return state_; }
    [[nodiscard]] MainRecords &records() { return records_; }
    [[nodiscard]] QLabel *promptLabel() const { return prompt_; }
    [[nodiscard]] QLabel *cardSentenceLabel() const { return cardSentence_; }

    void done(int result) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void activate();
    void queueActivation();
    // Beside the main window, or over its buttons, so the records stay in view.
    void placeBesideOwner();
    void closingStep();
    void placeCardNumber();
    void reportPortFailureOnce();

    MainModule &state_;
    MainRecords &records_;
    CommControl *port_;
    std::unique_ptr<LinkSession> session_;
    QPushButton *cancelButton_;
    QPushButton *skipButton_ = nullptr;
    QLabel *cardSentence_ = nullptr;
    QLabel *cardNumberLabel_ = nullptr;
    QLabel *prompt_;
    QLabel *picture_;
    int cardNumber_ = 1;
    bool skipActivate_ = false;
    bool skipRequested_ = false;
    bool running_ = false;
    bool closed_ = false;
    bool closingByProgram_ = false;
    bool portFailed_ = false;
    std::optional<QString> unreportedPortFailure_;
};
