#include "nonstd/NonIsoWriteCommand.h"

#include "nonstd/nfrmSwipeWrite.h"
#include "nonstd/nfrmWDD.h"
#include "nonstd/nfrmWrite.h"
#include "ui/WindowSlot.h"

NonIsoWriteCommand::NonIsoWriteCommand(const PromptWindow::Context &context, QWidget *parent)
    : context_(context), parent_(parent) {}

NonIsoWriteCommand::~NonIsoWriteCommand() = default;

void NonIsoWriteCommand::run() {
    if (!windowIn(densities_, context_.state, parent_).run())
        return;
    nfrmWrite &entry = windowIn(entry_, context_.state, parent_);
    entry.setSwipeWrite([this, &entry] { windowIn(swipeWrite_, context_, &entry).run(); });
    entry.run();
}
