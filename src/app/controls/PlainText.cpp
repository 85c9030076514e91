#include "app/controls/PlainText.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QTextDocument>
#include <QToolTip>

PlainLabel::PlainLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

PlainLabel::PlainLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    // The format is set before the text, so the text is never parsed as markup.
    setTextFormat(Qt::PlainText);
    setText(text);
}

namespace {

// Qt shows a tool tip as markup when its text looks like markup; such a text is shown
// escaped instead. Every other tool tip takes Qt's own path, so it looks as before.
class ToolTipsAsWritten : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        const QString text = widget->toolTip();
        if (!Qt::mightBeRichText(text)) return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), plaintext::asMarkup(text), widget, {},
                           widget->toolTipDuration());
        return true;
    }
};

}  // namespace

namespace plaintext {

QString asMarkup(const QString& text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString asTitle(const QString& text) {
    return QString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void showToolTipsAsWritten(QApplication& application) {
    static QPointer<ToolTipsAsWritten> filter;
    if (filter) return;
    filter = new ToolTipsAsWritten(&application);
    application.installEventFilter(filter);
}

}  // namespace plaintext
