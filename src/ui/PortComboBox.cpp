#include "ui/PortComboBox.h"

#include "link/PortList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace {

// Paints an item as its number, then its device in a column of its own: a device the
// computer reports in the text colour, the others grey.
class PortItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QStyle *style = item.widget ? item.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, item.widget);

        const int margin = item.fontMetrics.averageCharWidth();
        const QRect text = item.rect.adjusted(margin, 0, -margin, 0);
        const bool selected = item.state & QStyle::State_Selected;
        const QColor plain =
            item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        painter->save();
        painter->setFont(item.font);
        painter->setPen(plain);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, item.text);
        const QString device = index.data(PortComboBox::DeviceRole).toString();
        QRect deviceRect = text;
        deviceRect.setLeft(text.left() + numberWidth(item.fontMetrics));
        const bool detected = index.data(PortComboBox::DetectedRole).toBool();
        painter->setPen(
            selected || detected ? plain : item.palette.color(QPalette::Disabled, QPalette::Text));
        painter->drawText(deviceRect, Qt::AlignLeft | Qt::AlignVCenter,
                          item.fontMetrics.elidedText(device, Qt::ElideRight, deviceRect.width()));
        painter->restore();
    }

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const override {
        const QFontMetrics &metrics = option.fontMetrics;
        const QString device = index.data(PortComboBox::DeviceRole).toString();
        // Margins either side, and a character more: eliding measures in fractions of
        // a pixel.
        return {metrics.averageCharWidth() * 3 + numberWidth(metrics) +
                    metrics.horizontalAdvance(device),
                metrics.height() + metrics.height() / 2};
    }

private:
    // Room for the widest port number and a gap before the device.
    static int numberWidth(const QFontMetrics &metrics) {
        return metrics.horizontalAdvance(QStringLiteral("00000")) + metrics.averageCharWidth() * 2;
    }
};

} // namespace

PortComboBox::PortComboBox(QWidget *parent) : QComboBox(parent) {
    setItemDelegate(new PortItemDelegate(this));
    // The listed numbers and a few adapters without scrolling.
    setMaxVisibleItems(ListedPorts + 4);
}

void PortComboBox::setPorts(const QList<PortEntry> &ports) {
    const QString shown = currentText();
    {
        const QSignalBlocker quiet(this);
        clear();
        for (const PortEntry &port : ports) {
            const QString number = QString::number(port.number);
            addItem(number);
            const int row = count() - 1;
            setItemData(row, port.deviceText(), DeviceRole);
            setItemData(row, port.detected, DetectedRole);
            setItemData(row, port.deviceText(), Qt::ToolTipRole);
            setItemData(row, QStringLiteral("%1, %2").arg(number, port.deviceText()),
                        Qt::AccessibleTextRole);
        }
        setCurrentIndex(findText(shown, Qt::MatchExactly));
        setEditText(shown);
    }
    // Wide enough for the longest device, beside a scroll bar when the list is long.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) +
                            view()->verticalScrollBar()->sizeHint().width() +
                            2 * view()->frameWidth());
}

void PortComboBox::showPopup() {
    Q_EMIT aboutToShowPorts();
    QComboBox::showPopup();
}
