#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

// The panel every group box of every page is drawn as: an upper-case label
// above its content on a rounded, hairline-bordered surface that spans the
// width its container offers while the content stays at the left.
class PanelGroupBox : public QWidget {
    Q_OBJECT
public:
    explicit PanelGroupBox(const QString& title, QWidget* parent = nullptr);

    // Where the owner puts the panel's content.
    QVBoxLayout* contentLayout() const { return m_content; }
    QLabel* titleLabel() const { return m_title; }

    static constexpr int padding = 14;
    static constexpr int spacing = 10;
    static constexpr double cornerRadius = 10;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_title;
    QVBoxLayout* m_content;
};
