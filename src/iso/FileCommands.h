#pragma once

#include "iso/RecoveryFile.h"
#include "ui/PromptWindow.h"

#include <QString>

#include <functional>
#include <memory>

class cfrmEncodeRF;
class cfrmEncodeWF;
class sfrmFormatError;
class sfrmRFOK;
class sfrmSaveError;

// Shows a file dialog and returns the chosen path, or "" when the operator cancelled.
using FileChooser = std::function<QString(QWidget *parent, const QString &title,
                                          const QString &filter, const QString &fileName)>;

// The two file commands of the main window, from the file dialog to the last message, and
// the records a save run left behind. The records of a save run are never dropped unless
// the operator says so: a save that fails asks for a file again, and the records stay in
// a recovery file until they are written or given up.
class FileCommands {
public:
    static inline const QString FileFilter = QStringLiteral("Encode Data Files (*.txt)");

    FileCommands(const PromptWindow::Context &context, QWidget *parent,
                 const QString &recoveryFolder = RecoveryFile::defaultFolder());
    ~FileCommands();
    FileCommands(const FileCommands &) = delete;
    FileCommands &operator=(const FileCommands &) = delete;

    void setFileDialogs(FileChooser open, FileChooser save);

    // "Encode from File", once the main window has cleared its records.
    void encodeFromFile();
    // "Save to File", once the main window has cleared its records.
    void saveToFile();
    // At start: offers the records of every save run that ended before they were saved.
    void offerLeftBehind();

private:
    // Writes text to path, asking for another file after a failure or a declined
    // overwrite, until it is written or the operator gives the records up.
    void saveUntilWritten(const QByteArray &text, qsizetype count, QString path);
    [[nodiscard]] bool confirmOverwrite(const QString &path);
    [[nodiscard]] bool confirmDiscard(qsizetype count);
    [[nodiscard]] QString chooseSaveFile(const QString &proposed);

    PromptWindow::Context context_;
    QWidget *parent_;
    RecoveryFile recovery_;
    FileChooser chooseOpen_;
    FileChooser chooseSave_;
    std::unique_ptr<cfrmEncodeRF> encodeRF_;
    std::unique_ptr<cfrmEncodeWF> encodeWF_;
    std::unique_ptr<sfrmFormatError> formatError_;
    std::unique_ptr<sfrmRFOK> rfOk_;
    std::unique_ptr<sfrmSaveError> saveError_;
};
