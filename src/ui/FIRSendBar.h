#pragma once

#include <QAbstractButton>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

#include "link/DSPFrame.h"
#include "ui/AppContext.h"
#include "ui/input/KeyboardFocus.h"

class DeviceNote;
class ElidedLabel;
class QPushButton;
class ChannelChip;
class Settings;

// Uploads one FIR (coefficients, a name and optionally its header words) to the FIR blocks
// the user picks. The picked set lives only in the user-defaults store, so every bar on
// screen shows the same set.
class FIRSendBar : public QWidget {
    Q_OBJECT
public:
    using Targets = QList<int>;  // FIR-block indices 0-11, ascending, no duplicates

    static inline const QString targetsKey = QStringLiteral("firSend.targets");
    static constexpr int blockCount = 12;

    explicit FIRSendBar(const AppContext& context, QWidget* parent = nullptr);

    void setCoefficients(const QList<float>& coefficients);
    void setName(const QString& name);
    void setHeader(std::optional<DSPFrame::Words> header);
    // Called once after every send run, whatever its outcome.
    std::function<void()> onSent;

    // The stored set as the bar reads it: the key absent means {4} (OUT 1).
    Targets targets() const;
    void setTargets(const Targets& targets);
    void toggleTarget(int index);
    // The stored set read and written directly; an absent key reads as the empty set.
    static Targets loadTargets(Settings& store);
    static void saveTargets(const Targets& targets, Settings& store);
    // Pieces that are not whole decimal numbers are skipped, and so are indices outside 0-11.
    static Targets parseTargets(const QString& text);
    static QString targetsText(const Targets& targets);

    // Asks for confirmation and, when given, starts the upload.
    void requestSend();
    // Uploads to each target in ascending order; returns at once, the run continues on the loop.
    void startSend(const Targets& targets);

    bool busy() const { return busy_; }
    // The last run's progress or result, while the device it was sent to is in front.
    const std::optional<QString>& status() const;
    QPushButton* sendButton() const { return sendButton_; }
    ChannelChip* chip(int index) const { return chips_.value(index); }
    QPushButton* quickButton(const QString& title) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildLayout();
    void refresh();
    void setBusy(bool busy);
    void setStatus(std::optional<QString> status, const QString& device);
    QString confirmationTitle(const Targets& targets) const;

    AppContext context_;
    QList<float> coefficients_;
    QString name_;
    std::optional<DSPFrame::Words> header_;
    bool busy_ = false;
    DeviceNote* status_ = nullptr;
    std::optional<keyboardfocus::FocusReturn> focusBeforeBusy_;

    ElidedLabel* nameLabel_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QList<ChannelChip*> chips_;
    QList<QPushButton*> quickButtons_;
    ElidedLabel* statusLabel_ = nullptr;
};

// One FIR block's toggle in the send bar: the channel's name on a capsule in its colour.
// A checkable button, so Tab, Space, Return and assistive tools reach it like a click; its
// checked state is the stored set's, which the bar shows on it.
class ChannelChip : public QAbstractButton {
    Q_OBJECT
public:
    explicit ChannelChip(int index, QWidget* parent = nullptr);
    // `shown` is its face, on one line; `spoken` what assistive tools say of it.
    void setState(const QString& shown, const QString& spoken, bool selected);
    bool isSelected() const { return isChecked(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int index_;
    QString name_;
};
