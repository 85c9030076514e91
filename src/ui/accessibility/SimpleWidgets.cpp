#include "ui/accessibility/SimpleWidgets.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

#include "ui/accessibility/Lifetime.h"
#include "ui/accessibility/ShownText.h"
#include "ui/accessibility/ToolRequests.h"
#include "ui/controls/Popover.h"
#include "ui/controls/ReadState.h"

namespace {

constexpr char exclusiveChoiceProperty[] = "exclusiveChoice";
constexpr char pageChoiceProperty[] = "pageChoice";

// The menu a press of the button opens, where it opens one.
QMenu* menuOf(const QAbstractButton& button) {
    if (const auto* tool = qobject_cast<const QToolButton*>(&button))
        return tool->popupMode() == QToolButton::InstantPopup ? tool->menu() : nullptr;
    if (const auto* push = qobject_cast<const QPushButton*>(&button)) return push->menu();
    return nullptr;
}

// Qt has no toggle-button role to give; a check box is how assistive tools here present a
// button that is switched on and off.
QAccessible::Role roleOf(const QAbstractButton& button) {
    if (menuOf(button)) return QAccessible::ButtonMenu;
    if (qobject_cast<const QRadioButton*>(&button) || button.property(exclusiveChoiceProperty).toBool())
        return QAccessible::RadioButton;
    if (button.isCheckable()) return QAccessible::CheckBox;
    return QAccessible::Button;
}

// Opens the button's menu as a click does (in the menu's own event loop), with the keys, and
// so the assistive tool's focus, on its current choice, as a menu opened by keys has them.
void openMenu(QAbstractButton& button, QMenu& menu) {
    QTimer::singleShot(0, &menu, [&menu] {
        if (menu.isVisible()) startAtCurrentItem(menu);
    });
    if (auto* tool = qobject_cast<QToolButton*>(&button))
        tool->showMenu();
    else
        static_cast<QPushButton&>(button).showMenu();
}

// Every button's element. Its kind is asked anew each time: Qt makes the element the first
// time anything about the button changes, often before its owner gives it a menu or makes it
// checkable. A press, a toggle and a show-menu do what a click does; a disabled button offers
// none of them.
class ButtonElement : public QAccessibleWidget, public ShownText, public RenewableElement {
public:
    explicit ButtonElement(QAbstractButton* button)
        : QAccessibleWidget(button, roleOf(*button)), RenewableElement(*button) {}

    QAbstractButton& button() const { return *static_cast<QAbstractButton*>(widget()); }

    QAccessible::Role role() const override { return roleOf(button()); }

    // A picker's choice is also its text, as a combo box's is: tools read a menu button's
    // value there. A button made a picker after its element told no text gets a new element.
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface && gives())
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    bool givesNow() const override { return choice().has_value(); }
    QString shownText() const override { return choice().value_or(QString()); }

    QString text(QAccessible::Text t) const override {
        const QString face = withoutMnemonic(button().text());
        if (menuOf(button()))
            if (std::optional<QString> told = pickerText(button(), face, t)) return *told;
        if (t == QAccessible::Name) {
            const QString given = widget()->accessibleName();
            return given.isEmpty() ? face : given;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button().isDown();
        if (const QMenu* menu = menuOf(button())) {
            state.hasPopup = true;
            state.expandable = true;
            state.expanded = menu->isVisible();
            state.collapsed = !menu->isVisible();
        } else if (button().property(pageChoiceProperty).toBool()) {
            // A segment that shows a page reads selected while its page is shown, as a tab does.
            state.selectable = true;
            state.selected = button().isChecked();
        } else if (button().isCheckable()) {
            state.checkable = true;
            state.checked = button().isChecked();
        }
        if (const auto* check = qobject_cast<const QCheckBox*>(&button()))
            state.checkStateMixed = check->checkState() == Qt::PartiallyChecked;
        return state;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (takesToolRequests(button())) {
            names << pressAction();
            if (menuOf(button()))
                names << showMenuAction();
            else if (button().isCheckable())
                names << toggleAction();
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != pressAction() && name != toggleAction() && name != showMenuAction())
            return QAccessibleWidget::doAction(name);
        if (!takesToolRequests(button())) return;
        if (QMenu* menu = menuOf(button()))
            openMenu(button(), *menu);
        else if (name != showMenuAction())
            button().click();
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction() || name == toggleAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    std::optional<QString> choice() const {
        if (!menuOf(button())) return std::nullopt;
        return pickerText(button(), withoutMnemonic(button().text()), QAccessible::Value);
    }
};

// Asked with the most derived class name first, so it answers for every button class.
QAccessibleInterface* buttonFactory(const QString&, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    return button ? new ButtonElement(button) : nullptr;
}

}  // namespace

QString withoutMnemonic(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (++i == text.size()) break;
        }
        plain += text[i];
    }
    return plain;
}

void installButtonAccessibility() {
    static const bool installed = (QAccessible::installFactory(buttonFactory), true);
    Q_UNUSED(installed);
}

std::optional<QString> pickerText(const QWidget& picker, const QString& face, QAccessible::Text t) {
    const QString caption = picker.accessibleName();
    if (caption.isEmpty() || face.isEmpty() || caption == face) return std::nullopt;
    const bool read = !shownUnread(picker);
    if (t == QAccessible::Name) return read ? caption + QStringLiteral(": ") + face : caption;
    if (t == QAccessible::Value) return read ? face : QString();
    return std::nullopt;
}

void markAsExclusiveChoice(QAbstractButton& button) {
    button.setProperty(exclusiveChoiceProperty, true);
}

void markAsPageChoice(QAbstractButton& button) {
    markAsExclusiveChoice(button);
    button.setProperty(pageChoiceProperty, true);
}

namespace {

class FieldElement : public QAccessibleWidget,
                     public QAccessibleTextInterface,
                     public QAccessibleEditableTextInterface,
                     public RenewableElement {
public:
    explicit FieldElement(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText), RenewableElement(*edit) {}

    QLineEdit& edit() const { return *static_cast<QLineEdit*>(widget()); }

    // A field drawn disabled or read-only offers no editing at all: a tool's request to set its
    // text is refused, not answered as done while nothing changes; once the field takes text, a
    // new element offers it. Behind a question the field keeps it and takes nothing, as it
    // takes no keys.
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return gives() ? static_cast<QAccessibleEditableTextInterface*>(this) : nullptr;
        return QAccessibleWidget::interface_cast(type);
    }
    bool givesNow() const override { return takesText(); }

    QString text(QAccessible::Text t) const override {
        QString text;
        if (t == QAccessible::Value) text = shown();
        if (text.isEmpty()) text = QAccessibleWidget::text(t);
        if (text.isEmpty() && t == QAccessible::Description) text = edit().placeholderText();
        return text;
    }

    // The value is set like typed text: the field's owner sees its text change.
    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value) return QAccessibleWidget::setText(t, text);
        if (accepts(text)) edit().setText(text);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = takesText();
        state.readOnly = !takesText();
        state.selectableText = true;
        state.passwordEdit = edit().echoMode() != QLineEdit::Normal;
        return state;
    }

    // Return's work, for a tool that entered a text and confirms it.
    QStringList actionNames() const override {
        QStringList names;
        if (takesToolRequests(edit()) && !edit().isReadOnly()) names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != pressAction()) return QAccessibleWidget::doAction(name);
        if (!takesToolRequests(edit()) || edit().isReadOnly()) return;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit(), &release);
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) return {QStringLiteral("Return")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }

    // ---- text ------------------------------------------------------------------------

    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !edit().hasSelectedText()) return;
        *start = edit().selectionStart();
        *end = edit().selectionEnd();
    }
    int selectionCount() const override { return edit().hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) edit().deselect();
    }
    void setSelection(int index, int start, int end) override {
        if (index != 0) return;
        edit().setSelection(start, end - start);
    }
    int cursorPosition() const override { return edit().cursorPosition(); }
    void setCursorPosition(int position) override { edit().setCursorPosition(position); }
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return int(edit().text().size()); }
    // Where the character is drawn, told from the text's width: the field's own layout
    // is not public, and a tool only needs to point at the character.
    QRect characterRect(int offset) const override {
        const QString text = shown();
        const QFontMetrics metrics = edit().fontMetrics();
        const QRect box = edit().contentsRect().marginsRemoved(edit().textMargins());
        const int before = metrics.horizontalAdvance(text.left(offset));
        const int start = edit().alignment() & Qt::AlignRight
                              ? box.right() - metrics.horizontalAdvance(text) + before
                              : box.left() + before;
        const QRect rect(start, box.top(), std::max(1, metrics.horizontalAdvance(text.mid(offset, 1))),
                         box.height());
        return QRect(edit().mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return edit().cursorPositionAt(edit().mapFromGlobal(point));
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

    // ---- editing: each a change of the whole text, as the owner sees typing ---------------

    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        QString changed = edit().text();
        changed.replace(start, end - start, text);
        if (!accepts(changed)) return;
        edit().setText(changed);
        edit().setCursorPosition(start + int(text.size()));
    }

private:
    // What typing could not give the field, neither can a tool: none in a read-only field or
    // one behind a question, nothing its validator refuses.
    bool takesText() const { return !edit().isReadOnly() && edit().isEnabled(); }
    bool accepts(QString text) const {
        if (!takesText() || !takesToolRequests(edit())) return false;
        int position = 0;
        const QValidator* validator = edit().validator();
        return !validator || validator->validate(text, position) != QValidator::Invalid;
    }

    // A password is read as one star per character, as on screen.
    QString shown() const {
        switch (edit().echoMode()) {
            case QLineEdit::Normal:
                return edit().text();
            case QLineEdit::NoEcho:
                return {};
            default:
                return QString(edit().text().size(), QLatin1Char('*'));
        }
    }
};

QAccessibleInterface* fieldFactory(const QString&, QObject* object) {
    auto* edit = qobject_cast<QLineEdit*>(object);
    return edit ? new FieldElement(edit) : nullptr;
}

}  // namespace

void installFieldAccessibility() {
    static const bool installed = (QAccessible::installFactory(fieldFactory), true);
    Q_UNUSED(installed);
}

namespace {

// A progress bar tells how far the work is, and takes nothing: Qt's bridge offers Increase and
// Decrease on anything with a value to set, so its progress is told as text, not as a value.
class ProgressElement : public QAccessibleWidget, public ShownText {
public:
    explicit ProgressElement(QProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? shownText() : QAccessibleWidget::text(t);
    }
    // Whole percents, as the reading display shows them; a bar without a range has none.
    QString shownText() const override {
        const QProgressBar& b = bar();
        if (b.maximum() <= b.minimum()) return {};
        const qint64 percent = (qint64(b.value()) - b.minimum()) * 100 / (qint64(b.maximum()) - b.minimum());
        return QString::number(percent) + QStringLiteral(" %");
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.busy = bar().maximum() <= bar().minimum();
        return state;
    }

private:
    QProgressBar& bar() const { return *static_cast<QProgressBar*>(widget()); }
};

QAccessibleInterface* progressFactory(const QString&, QObject* object) {
    auto* bar = qobject_cast<QProgressBar*>(object);
    return bar ? new ProgressElement(bar) : nullptr;
}

}  // namespace

void installProgressAccessibility() {
    static const bool installed = (QAccessible::installFactory(progressFactory), true);
    Q_UNUSED(installed);
}
