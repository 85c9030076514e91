#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// Covers the page while every setting is read back from a newly connected device.
class ReadingDisplay : public QWidget {
    Q_OBJECT
public:
    explicit ReadingDisplay(QWidget* parent = nullptr);

    void setProgress(double fraction);
    // The percentage text: the fraction truncated to a whole percent.
    static QString percentText(double fraction);
    QString shownPercent() const;

private:
    QProgressBar* m_bar;
    QLabel* m_percent;
};
