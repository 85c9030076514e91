#include "ui/input/ToolTips.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QTextDocument>
#include <QToolTip>

#include "ui/controls/PlainText.h"

namespace {

class ToolTips : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        const QString text = widget->toolTip();
        if (text.isEmpty()) return false;  // Qt offers the event to the parent
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString shown = Qt::mightBeRichText(text) ? plaintext::asMarkup(text) : text;
        // Shown for no widget in particular, so that no widget's style sheet reaches the tip;
        // it still goes when the pointer leaves, clicks or types.
        QToolTip::showText(help->globalPos(), shown, nullptr, {}, widget->toolTipDuration());
        return true;
    }
};

}  // namespace

namespace tooltips {

void install(QApplication& application) {
    static QPointer<ToolTips> filter;
    if (filter) return;
    filter = new ToolTips(&application);
    application.installEventFilter(filter);
}

}  // namespace tooltips
