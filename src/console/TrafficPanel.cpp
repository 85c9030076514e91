#include "console/TrafficPanel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/ConsoleWidgets.h"
#include "console/TrafficListModel.h"
#include "console/TrafficListView.h"
#include "link/TrafficLog.h"
#include "platform/UserFile.h"
#include "ui/Dialogs.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeyboardFocus.h"

TrafficPanel::TrafficPanel(TrafficLog& log, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      log_(log),
      dialogs_(dialogs),
      marker_(new QLineEdit(this)),
      rows_(new TrafficListModel(log, this)),
      list_(new TrafficListView(*rows_, this)) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    QWidget* header = buildHeader();
    stack->addWidget(header);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("color: %1").arg(Theme::white(0.12).name(QColor::HexArgb)));
    stack->addWidget(divider);
    stack->addWidget(list_, 1);
    // The list is made before the header's buttons, yet comes after them to Tab as it does to
    // the eye.
    keyboardfocus::followInTabOrder(header, list_);

    connect(list_, &TrafficListView::copyText, this,
            [this](const QString& text) { dialogs_.copyText(text); });
}

QWidget* TrafficPanel::buildHeader() {
    auto* header = new QWidget(this);
    QHBoxLayout* row = headerRow(QStringLiteral("Traffic"), 8, header);

    new FieldEdits(*marker_);
    marker_->setObjectName(QStringLiteral("marker"));
    keepTyped(*marker_);
    marker_->setPlaceholderText(QStringLiteral("Note (e.g. \"CH1 gain -3 dB\")"));
    // The placeholder is only the field's description, and it goes once text is typed.
    marker_->setAccessibleName(QStringLiteral("Note"));
    // 220 points where there is room; narrower in the smallest window, so the buttons beside
    // it stay whole.
    marker_->setMinimumWidth(170);
    marker_->setMaximumWidth(220);
    marker_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(marker_, &QLineEdit::returnPressed, this, &TrafficPanel::addNote);
    row->addWidget(marker_);

    auto* addNoteButton = plainButton(QStringLiteral("Add note"), header);
    connect(addNoteButton, &QPushButton::clicked, this, &TrafficPanel::addNote);
    auto* exportButton = plainButton(QStringLiteral("Export\u2026"), header);
    connect(exportButton, &QPushButton::clicked, this, &TrafficPanel::exportCapture);
    auto* clearButton = plainButton(QStringLiteral("Clear"), header);
    connect(clearButton, &QPushButton::clicked, this, &TrafficPanel::clear);
    for (QPushButton* b : {addNoteButton, exportButton, clearButton}) row->addWidget(b);
    return header;
}

void TrafficPanel::addNote() {
    if (marker_->text().isEmpty()) return;
    log_.log(QStringLiteral("NOTE"), TrafficEntry::Direction::info, {}, marker_->text());
    FieldEdits::of(*marker_).show(QString());
}

void TrafficPanel::exportCapture() {
    // A name typed without an extension gets ".txt", like the plain text it is.
    const QString path =
        dialogs_.chooseSaveFile(QStringLiteral("Export Traffic"), QString::fromLatin1(suggestedFileName),
                                {QStringLiteral("Plain text (*.txt)")}, QStringLiteral("txt"));
    if (path.isEmpty()) return;
    if (const auto error = userfile::write(path, log_.exportText().toUtf8()))
        dialogs_.alert(QStringLiteral("The capture couldn't be saved."), *error);
}

void TrafficPanel::clear() {
    log_.clear();
}
