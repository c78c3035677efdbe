#pragma once

#include <QString>

#include <functional>

class QWidget;

enum class RecordFileCheck {
    Accepted,
    Rejected,   // not a card data file: the format-error window follows
    Unreadable, // the file could not be read: the command ends without a message
};

// What the main window's commands open. Each opener shows its window modal and returns
// when it has closed; the windows talk back through MainModule and MainRecords. A command
// stays disabled until every opener it needs is set.
struct CommandWindows {
    std::function<void()> readCard;         // cfrmReadCard
    std::function<void()> writeCard;        // cfrmWriteCard
    std::function<void()> copyCard;         // cfrmCopyCard
    std::function<void()> encodeRF;         // cfrmEncodeRF
    std::function<void()> encodeWF;         // cfrmEncodeWF
    std::function<void()> incrTrackSelect;  // cfrmTrackSelect
    std::function<void()> recEntry;         // cfrmRecEntry
    std::function<void()> writeIncr;        // cfrmWriteIncr
    std::function<void()> nonIsoFmtSel;     // frmNonISOFmtSel
    std::function<void()> eraseTrackSelect; // frmTrackSelect
    std::function<void()> eraseCard;        // frmEraseCard
    // CheckRecordFile: reads the whole file into EncodeFileText and tests its first field.
    std::function<RecordFileCheck(const QString &path)> checkRecordFile;
    // WriteRecordFile: writes SaveFileText; false when the operator declined or it failed.
    std::function<bool(const QString &path)> writeRecordFile;
    // The name the save dialog proposes.
    std::function<QString()> defaultSaveFileName;
};

// Shows a file dialog and returns the chosen path, or "" when the operator cancelled.
using FileChooser = std::function<QString(QWidget *parent, const QString &title,
                                          const QString &filter, const QString &fileName)>;
