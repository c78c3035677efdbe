#include "ui/WindowConventions.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString FilterName = QStringLiteral("EnterPressesButtons");

// QPushButton takes Enter only as a dialog's default button; operators expect it of any
// button that has the focus, in the main window too.
class EnterPressesButtons final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *button = qobject_cast<QPushButton *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (button == nullptr || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // A held key repeats: it would press the button again, or the Cancel button of
        // the window the first press opened.
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

// Qt names a drop-down list on Linux by its current entry, so a screen reader says "9600"
// for the baud rate box; this one is named as on other systems, and shows its entry as
// its value.
class CaptionedComboBox final : public QAccessibleWidget {
public:
    explicit CaptionedComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    [[nodiscard]] QString text(QAccessible::Text kind) const override {
        const QString value = box()->isEditable() && box()->lineEdit() != nullptr
                                  ? box()->lineEdit()->text()
                                  : box()->currentText();
        if (kind == QAccessible::Value)
            return value;
        const QString own = QAccessibleWidget::text(kind);
        return kind == QAccessible::Name && own.isEmpty() ? value : own;
    }

    [[nodiscard]] int childCount() const override { return box()->lineEdit() ? 2 : 1; }

    [[nodiscard]] QAccessibleInterface *child(int index) const override {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->lineEdit() != nullptr)
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }

    [[nodiscard]] int indexOfChild(const QAccessibleInterface *child) const override {
        if (child == nullptr)
            return -1;
        if (child->object() == box()->view())
            return 0;
        if (box()->lineEdit() != nullptr && child->object() == box()->lineEdit())
            return 1;
        return -1;
    }

    [[nodiscard]] QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const bool open = box()->view()->isVisible();
        state.expandable = true;
        state.expanded = open;
        state.collapsed = !open;
        state.editable = box()->isEditable();
        return state;
    }

    [[nodiscard]] QStringList actionNames() const override {
        return {showMenuAction(), pressAction()};
    }

    void doAction(const QString &action) override {
        if (action != showMenuAction() && action != pressAction())
            return;
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }

    [[nodiscard]] QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    [[nodiscard]] QComboBox *box() const { return static_cast<QComboBox *>(object()); }
};

QAccessibleInterface *comboBoxInterface(const QString &className, QObject *object) {
    if (className != QLatin1String("QComboBox") || object == nullptr || !object->isWidgetType())
        return nullptr;
    return new CaptionedComboBox(static_cast<QComboBox *>(object));
}

} // namespace

void installWindowConventions(QApplication &app) {
    if (app.findChild<QObject *>(FilterName, Qt::FindDirectChildrenOnly) == nullptr) {
        auto *filter = new EnterPressesButtons(&app);
        filter->setObjectName(FilterName);
        app.installEventFilter(filter);
    }
    // The factory installed last is asked first, before Qt's own.
    QAccessible::installFactory(comboBoxInterface);
}
