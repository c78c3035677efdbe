#include "ui/DialogFrame.h"

#include <QDialog>

void setFixedDialogFrame(QDialog &dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    dialog.setModal(true);
}

QPixmap dialogPicture(const QWidget &window, QStyle::StandardPixmap icon) {
    QStyle *style = window.style();
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &window);
    return style->standardIcon(icon, nullptr, &window).pixmap(size, size);
}
