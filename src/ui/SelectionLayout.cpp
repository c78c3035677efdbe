#include "ui/SelectionLayout.h"

#include "ui/DialogFrame.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QHBoxLayout *buttonRow(std::initializer_list<QPushButton *> buttons) {
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton *button : buttons) {
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("Cancel")) *
                                2);
        row->addWidget(button, 0, Qt::AlignVCenter);
    }
    return row;
}

void layOutSelection(QDialog &window, QStyle::StandardPixmap icon, QWidget *heading,
                     QLayout *choices, std::initializer_list<QPushButton *> buttons) {
    auto *picture = new QLabel(&window);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(dialogPicture(window, icon));
    auto *text = new QVBoxLayout;
    text->setSpacing(14);
    text->addWidget(heading);
    text->addLayout(choices);
    auto *content = new QHBoxLayout;
    content->setSpacing(16);
    content->addWidget(picture, 0, Qt::AlignTop);
    content->addLayout(text, 1);

    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(18);
    layout->addLayout(content);
    layout->addLayout(buttonRow(buttons));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
