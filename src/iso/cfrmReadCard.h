#pragma once

#include "iso/PromptWindow.h"

// "Read": reads one card after another into the output record until Cancel.
class cfrmReadCard : public PromptWindow {
    Q_OBJECT
public:
    explicit cfrmReadCard(const Context &context, QWidget *parent = nullptr);

protected:
    void load() override;
    void startWork() override;
    Opening openingHandshake() override;
    Next runCard() override;
    void showOpeningError(Opening failure) override;
    void showCardError() override;
    void cancelPressed() override;

private:
    void failureReport(bool clearRecord);
};
