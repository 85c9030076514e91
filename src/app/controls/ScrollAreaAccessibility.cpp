#include "app/controls/ScrollAreaAccessibility.h"

#include <QAbstractScrollArea>
#include <QAccessibleWidget>
#include <QScrollBar>

namespace {

class ScrollAreaElement : public QAccessibleWidget {
public:
    explicit ScrollAreaElement(QAbstractScrollArea* area) : QAccessibleWidget(area, QAccessible::Client) {}

    int childCount() const override { return int(parts().size()); }
    QAccessibleInterface* child(int index) const override {
        const QWidgetList shown = parts();
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown.at(index))
                                                  : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || !child->object() || !child->object()->isWidgetType()) return -1;
        return int(parts().indexOf(static_cast<QWidget*>(child->object())));
    }

private:
    QWidgetList parts() const {
        auto* area = static_cast<QAbstractScrollArea*>(widget());
        QWidgetList shown;
        if (!area) return shown;
        if (area->viewport()) shown << area->viewport();
        for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()})
            if (bar && bar->isVisible()) shown << bar->parentWidget();
        if (QWidget* corner = area->cornerWidget(); corner && corner->isVisible()) shown << corner;
        return shown;
    }
};

// Asked only under the class names Qt itself gives its scroll area element to: a scroll area
// Qt knows better (a text edit, an item view) keeps Qt's element, made under its own name first.
QAccessibleInterface* scrollAreaFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QAbstractScrollArea") && className != QLatin1String("QScrollArea"))
        return nullptr;
    auto* area = qobject_cast<QAbstractScrollArea*>(object);
    return area ? new ScrollAreaElement(area) : nullptr;
}

}  // namespace

void installScrollAreaAccessibility() {
    static const bool installed = (QAccessible::installFactory(scrollAreaFactory), true);
    Q_UNUSED(installed);
}
