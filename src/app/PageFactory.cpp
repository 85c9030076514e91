#include "app/PageFactory.h"

#include <QWidget>

#include "app/AppContext.h"

QWidget* buildPageView(const Page& page, AppContext& context, const std::function<void(int)>& openChannel) {
    Q_UNUSED(context);
    Q_UNUSED(openChannel);
    switch (page.kind) {
        default:
            return new QWidget;
    }
}

bool pageNeedsDevice(const Page& page) {
    switch (page.kind) {
        case Page::Kind::codes:
        case Page::Kind::firDesigner:
        case Page::Kind::diagnostics:
            return false;
        default:
            return true;
    }
}
