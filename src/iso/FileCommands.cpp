#include "iso/FileCommands.h"

#include "app/MainModule.h"
#include "iso/CardDataFile.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmEncodeWF.h"
#include "ui/MainRecords.h"
#include "ui/MessageWindows.h"
#include "ui/WindowSlot.h"

#include <QDate>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTime>

namespace {

const QString SaveTitle = QStringLiteral("Save As - Save in:");

QString chooseFile(QFileDialog::AcceptMode mode, QWidget *parent, const QString &title,
                   const QString &filter, const QString &fileName) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(mode);
    // A typed name that does not exist is reported by the command, not refused here; the
    // overwrite question belongs to the writing of the file.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    return mode == QFileDialog::AcceptSave ? WithTextSuffix(chosen) : chosen;
}

QString defaultSaveName() {
    return DefaultSaveFileName(QDate::currentDate(),
                               QTime::currentTime().msecsSinceStartOfDay() / 1000.0,
                               QLocale::system());
}

QString cardRecords(qsizetype count) {
    return count == 1 ? QStringLiteral("1 card record")
                      : QStringLiteral("%1 card records").arg(count);
}

bool askYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
              QMessageBox::StandardButton byDefault) {
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(byDefault);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

FileCommands::FileCommands(const PromptWindow::Context &context, QWidget *parent,
                           const QString &recoveryFolder)
    : context_(context), parent_(parent), recovery_(recoveryFolder),
      chooseOpen_([](QWidget *p, const QString &title, const QString &filter, const QString &name) {
          return chooseFile(QFileDialog::AcceptOpen, p, title, filter, name);
      }),
      chooseSave_([](QWidget *p, const QString &title, const QString &filter, const QString &name) {
          return chooseFile(QFileDialog::AcceptSave, p, title, filter, name);
      }) {}

FileCommands::~FileCommands() = default;

void FileCommands::setFileDialogs(FileChooser open, FileChooser save) {
    chooseOpen_ = std::move(open);
    chooseSave_ = std::move(save);
}

void FileCommands::encodeFromFile() {
    const QString path = chooseOpen_(parent_, QStringLiteral("Open - Look in:"), FileFilter, {});
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isFile()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("File Encode"),
                        QStringLiteral("File not exists. "), QMessageBox::Ok, parent_);
        box.exec();
        return;
    }
    RecordFileCheckResult check = CheckRecordFile(path);
    switch (check.outcome) {
    case RecordFileCheckResult::Outcome::Unreadable:
        return;
    case RecordFileCheckResult::Outcome::Rejected: {
        sfrmFormatError &error = windowIn(formatError_, parent_);
        error.setProblem(check.problem);
        error.showModal();
        return;
    }
    case RecordFileCheckResult::Outcome::Accepted:
        break;
    }
    MainModule &state = context_.state;
    state.EncodeFileText = std::move(check.text);
    state.EncodeFileCancelled = false;
    state.CancelRequested = false;
    windowIn(encodeRF_, context_, parent_).run();
    state.EncodeFileText.clear();
    if (!state.EncodeFileCancelled)
        windowIn(rfOk_, parent_).showModal();
}

void FileCommands::saveToFile() {
    const QString path = chooseSaveFile(defaultSaveName());
    if (path.isEmpty())
        return;
    MainModule &state = context_.state;
    state.SaveFileText.clear();
    // Without a recovery file the run still collects its cards; only a crash would lose them.
    (void)recovery_.start();
    state.CancelRequested = false;
    windowIn(encodeWF_, context_, recovery_, parent_).run();
    if (!state.SaveFileText.isEmpty())
        saveUntilWritten(state.SaveFileText, state.SaveCardNumber - 1, path);
    recovery_.discard();
}

void FileCommands::offerLeftBehind() {
    for (const QString &path : recovery_.leftBehind()) {
        const std::optional<QByteArray> text = RecoveryFile::pendingText(path);
        // One that cannot be read now is left for a later start.
        if (!text)
            continue;
        if (text->isEmpty()) {
            RecoveryFile::remove(path);
            continue;
        }
        const qsizetype count = text->count('\n');
        const QString ended =
            QLocale::system().toString(QFileInfo(path).lastModified(), QLocale::ShortFormat);
        const QString question =
            QStringLiteral("A Save to File run that ended on %1 left %2 not saved to a file.\n\n"
                           "Save to a file now?\n\n(No keeps the records and asks again at "
                           "the next start.)")
                .arg(ended, cardRecords(count));
        if (!askYesNo(parent_, QMessageBox::Question, QStringLiteral("Unsaved Card Swipes"),
                      question, QMessageBox::Yes))
            continue;
        saveUntilWritten(*text, count, chooseSaveFile(defaultSaveName()));
        RecoveryFile::remove(path);
    }
}

void FileCommands::saveUntilWritten(const QByteArray &text, qsizetype count, QString path) {
    QString proposed = path;
    for (;;) {
        if (path.isEmpty()) {
            if (confirmDiscard(count))
                return;
        } else {
            RecordFileWriteResult result = WriteRecordFile(path, text, WriteMode::CreateOnly);
            if (result.outcome == RecordFileWriteResult::Outcome::Exists) {
                result = confirmOverwrite(path)
                             ? WriteRecordFile(path, text, WriteMode::Replace)
                             : RecordFileWriteResult{RecordFileWriteResult::Outcome::Failed, {}};
            }
            if (result.outcome == RecordFileWriteResult::Outcome::Written) {
                context_.records.setMessageText(
                    QStringLiteral("\r\n%1 records successfully saved to file %2")
                        .arg(count)
                        .arg(path));
                return;
            }
            sfrmSaveError &error = windowIn(saveError_, parent_);
            error.setFileName(path, result.problem);
            error.showModal();
            proposed = path;
        }
        path = chooseSaveFile(proposed);
    }
}

QString FileCommands::chooseSaveFile(const QString &proposed) {
    return chooseSave_(parent_, SaveTitle, FileFilter, proposed);
}

bool FileCommands::confirmOverwrite(const QString &path) {
    return askYesNo(parent_, QMessageBox::Information, QStringLiteral("File Overwrite Prompt"),
                    QStringLiteral("File '") + path + QStringLiteral("' exists. overwrite? "),
                    QMessageBox::No);
}

bool FileCommands::confirmDiscard(qsizetype count) {
    const QString text = QStringLiteral("Discard the %1 collected from card swipes?\n\nNothing "
                                        "has been saved to a file yet. No chooses a file again.")
                             .arg(cardRecords(count));
    return askYesNo(parent_, QMessageBox::Question, QStringLiteral("Save to File"), text,
                    QMessageBox::No);
}
