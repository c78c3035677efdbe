#pragma once

#include "ui/PromptWindow.h"

#include <memory>

class nfrmSwipeWrite;
class nfrmWDD;
class nfrmWrite;

// The format selection's Write: the density window and, once it has closed with OK, the
// entry window, whose OK opens the swipe write over it. When the entry window closes, the
// operator is back in the format selection. Each window is made on first use.
class NonIsoWriteCommand {
public:
    NonIsoWriteCommand(const PromptWindow::Context &context, QWidget *parent);
    ~NonIsoWriteCommand();
    NonIsoWriteCommand(const NonIsoWriteCommand &) = delete;
    NonIsoWriteCommand &operator=(const NonIsoWriteCommand &) = delete;

    // Returns when the density window was cancelled or the entry window has closed.
    void run();

private:
    PromptWindow::Context context_;
    QWidget *parent_;
    std::unique_ptr<nfrmWDD> densities_;
    std::unique_ptr<nfrmWrite> entry_;
    std::unique_ptr<nfrmSwipeWrite> swipeWrite_;
};
