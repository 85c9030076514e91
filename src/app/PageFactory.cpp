#include "app/PageFactory.h"

#include <QWidget>

#include "app/AppContext.h"
#include "app/mixer/MixerView.h"
#include "designer/FIRDesignerView.h"
#include "diagnostics/console/ContentView.h"
#include "editor/ChannelView.h"

QWidget* buildPageView(const Page& page, AppContext& context, const std::function<void(int)>& openChannel) {
    switch (page.kind) {
        case Page::Kind::mixer: {
            auto* mixer = new MixerView(*context.model, context.navigator);
            QObject::connect(mixer, &MixerView::openChannel, mixer, openChannel);
            return mixer;
        }
        case Page::Kind::channel:
            return new ChannelView(context, page.channel);
        case Page::Kind::firDesigner:
            return new FIRDesignerView(context);
        case Page::Kind::diagnostics:
            return new ContentView(context);
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
