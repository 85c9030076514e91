#pragma once

#include <QAccessible>
#include <QString>

// What a control shows (a picker's choice, a bar's progress) as read-only text: assistive
// tools read an element's text interface where the control has no number to give, and a
// picker's choice or a progress in words is no number.
class ShownText : public QAccessibleTextInterface {
public:
    virtual QString shownText() const = 0;

    QString text(int start, int end) const override { return shownText().mid(start, end - start); }
    int characterCount() const override { return int(shownText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }
};
