#include "pages/NetworkConnectView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/DSPConnection.h"
#include "pages/PageKit.h"
#include "platform/NumText.h"
#include "platform/Settings.h"
#include "platform/Tasks.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"

NetworkConnectView::NetworkConnectView(DSPConnection& link, Settings& settings, Scan scan, QWidget* parent)
    : QDialog(parent),
      m_link(link),
      m_scanFunction(scan ? std::move(scan) : Scan([] { return DSPConnection::scanNetwork(); })),
      m_host(new QLineEdit(settings.text(QStringLiteral("networkHost")))),
      m_connect(new QPushButton(QStringLiteral("Connect"))),
      m_scan(pagekit::button(QStringLiteral("Scan for DSPs"))),
      m_progress(new QProgressBar),
      m_results(new QWidget),
      m_resultRows(new QVBoxLayout(m_results)),
      m_cancel(pagekit::button(QStringLiteral("Cancel"))) {
    setWindowTitle(QStringLiteral("Connect over the network"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(sheetWidth);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(20, 20, 20, 20);
    stack->setSpacing(14);

    auto* title = new PlainLabel(QStringLiteral("Connect over the network"));
    title->setFont(pagekit::title3Font());
    stack->addWidget(title);
    stack->addWidget(pagekit::secondaryLabel(
        QStringLiteral(
            "The DSP and this computer must be on the same network. On a direct cable (no router), give "
            "this computer the DSP's gateway address, usually 192.168.x.1."),
        Theme::calloutPx));

    auto* address = new QHBoxLayout;
    m_host->setPlaceholderText(QStringLiteral("DSP IP address, e.g. 192.168.2.2"));
    new FieldEdits(*m_host, [this](const QString&) { refresh(); });
    address->addWidget(m_host, 1);
    // Return anywhere in the sheet connects (see keyPressEvent, which takes Return before
    // the dialog would press a button, so it connects once). Connect is drawn as the default
    // and no other button takes that over when it has the focus. Tab still reaches the
    // button, where Space connects too.
    m_connect->setDefault(true);
    m_connect->setFocusPolicy(Qt::TabFocus);
    connect(m_connect, &QPushButton::clicked, this, &NetworkConnectView::connectToHost);
    address->addWidget(m_connect);
    stack->addLayout(address);

    auto* scanRow = new QHBoxLayout;
    m_scan->setAutoDefault(false);
    m_cancel->setAutoDefault(false);
    connect(m_scan, &QPushButton::clicked, this, &NetworkConnectView::scan);
    scanRow->addWidget(m_scan);
    m_progress->setRange(0, 0);
    m_progress->setFixedSize(60, 8);
    m_progress->setTextVisible(false);
    scanRow->addWidget(m_progress);
    scanRow->addStretch(1);
    stack->addLayout(scanRow);

    m_resultRows->setContentsMargins(0, 0, 0, 0);
    m_resultRows->setSpacing(6);
    stack->addWidget(m_results);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(m_cancel);
    stack->addLayout(bottom);
    refresh();
}

// A pasted address often brings white space along at either end; that is dropped.
// Inside, only a plain dotted quad: doubled dots, signs and leading zeros are refused
// rather than guessed at, and the one spelling of the address is what the link stores
// and uses.
std::optional<QString> NetworkConnectView::hostToUse(const QString& typed) {
    return numtext::dottedQuad(typed.trimmed());
}

void NetworkConnectView::connectToHost() {
    const std::optional<QString> host = hostToUse(m_host->text());
    if (!host) return;
    m_link.connect(*host);
    accept();
}

void NetworkConnectView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        connectToHost();
        return;
    }
    QDialog::keyPressEvent(event);
}

void NetworkConnectView::scan() {
    m_scanning = true;
    m_found.reset();
    showFound();
    refresh();
    tasks::startTask([self = QPointer<NetworkConnectView>(this), scan = m_scanFunction]() -> QCoro::Task<> {
        const QStringList found = co_await scan();
        if (!self) co_return;
        self->m_found = found;
        self->m_scanning = false;
        self->showFound();
        self->refresh();
    });
}

void NetworkConnectView::showFound() {
    while (QLayoutItem* item = m_resultRows->takeAt(0)) {
        if (QLayout* row = item->layout())
            while (QLayoutItem* inner = row->takeAt(0)) {
                delete inner->widget();
                delete inner;
            }
        delete item->widget();
        delete item;
    }
    m_resultButtons.clear();
    if (!m_found) return;
    if (m_found->isEmpty()) {
        m_resultRows->addWidget(pagekit::secondaryLabel(
            QStringLiteral("No DSPs found. Check the cable and this computer's network settings."),
            Theme::bodyPx));
        return;
    }
    for (const QString& host : *m_found) {
        auto* row = new QHBoxLayout;
        row->addWidget(symbolLabel(Symbol::hifispeaker, Theme::secondaryText(), 16));
        auto* text = new PlainLabel(host);
        text->setFont(Theme::monoFont(Theme::bodyPx));
        row->addWidget(text);
        row->addStretch(1);
        QPushButton* pick = pagekit::button(QStringLiteral("Connect"));
        connect(pick, &QPushButton::clicked, this, [this, host] {
            FieldEdits::of(*m_host).show(host);
            connectToHost();
        });
        row->addWidget(pick);
        m_resultButtons.append(pick);
        m_resultRows->addLayout(row);
    }
}

void NetworkConnectView::refresh() {
    m_connect->setEnabled(hostToUse(m_host->text()).has_value());
    m_scan->setText(m_scanning ? QStringLiteral("Scanning…") : QStringLiteral("Scan for DSPs"));
    m_scan->setEnabled(!m_scanning);
    m_progress->setVisible(m_scanning);
    m_results->setVisible(m_found.has_value());
    // The sheet follows its content: the result area comes and goes.
    adjustSize();
}
