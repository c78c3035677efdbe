#pragma once

#include <functional>

// What the main window's commands open. Each opener shows its window modal and returns
// when it has closed; the windows talk back through MainModule and MainRecords. A command
// stays disabled until every opener it needs is set.
struct CommandWindows {
    std::function<void()> readCard;         // cfrmReadCard
    std::function<void()> writeCard;        // cfrmWriteCard
    std::function<void()> copyCard;         // cfrmCopyCard
    std::function<void()> incrTrackSelect;  // cfrmTrackSelect
    std::function<void()> recEntry;         // cfrmRecEntry
    std::function<void()> writeIncr;        // cfrmWriteIncr
    std::function<void()> nonIsoFmtSel;     // frmNonISOFmtSel
    std::function<void()> eraseTrackSelect; // frmTrackSelect
    std::function<void()> eraseCard;        // frmEraseCard
    // The file commands from their dialog to their last message: open dialog, file check,
    // cfrmEncodeRF and sfrmRFOK; save dialog, cfrmEncodeWF and the writing of the file.
    std::function<void()> encodeFromFile;
    std::function<void()> saveToFile;
};
