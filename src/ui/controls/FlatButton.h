#pragma once

#include <QAbstractButton>
#include <optional>

#include "ui/controls/Symbols.h"

// A plain button without platform chrome: its text (and an optional symbol
// after it) on a rounded face. Owners set the look from their state on every
// refresh. Tab reaches it, but a click leaves the focus where it was, so it never commits
// a neighbouring field.
class FlatButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Look {
        QColor fill;
        QColor border;  // invalid: no border
        QColor text;
        double radius = 5;
    };

    FlatButton(const QString& text, const QFont& font, int height, QWidget* parent = nullptr);

    void setLook(const Look& look);
    const Look& look() const { return m_look; }
    void setSymbol(std::optional<Symbol> symbol, double px);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
    std::optional<Symbol> m_symbol;
    double m_symbolPx = 0;
    int m_height;
};
