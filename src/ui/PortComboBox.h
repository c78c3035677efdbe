#pragma once

#include <QComboBox>

struct PortEntry;

// The serial port box: each item's text is the port number, as the operator may also type
// it, and the device the number stands for shows in a second column. The list is
// asked for anew each time it opens, so an adapter plugged in meanwhile appears.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    // The device text of an item, beside its number.
    static constexpr int DeviceRole = Qt::UserRole + 1;
    // Whether the computer reports that device now.
    static constexpr int DetectedRole = Qt::UserRole + 2;

    explicit PortComboBox(QWidget *parent = nullptr);

    // Replaces the items; the text in the box stays as it is.
    void setPorts(const QList<PortEntry> &ports);
    void showPopup() override;

Q_SIGNALS:
    void aboutToShowPorts();
};
