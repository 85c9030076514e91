#include "shell/PageFactory.h"

#include <QPushButton>
#include <QWidget>

#include "console/ContentView.h"
#include "designer/FIRDesignerView.h"
#include "editor/ChannelView.h"
#include "mixer/MixerView.h"
#include "pages/ControlCodesView.h"
#include "pages/DeviceView.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "ui/AppContext.h"
#include "ui/controls/SegmentedPicker.h"

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
        case Page::Kind::routing:
            return new RoutingView(*context.model, *context.dialogs);
        case Page::Kind::sources:
            return new SourcesView(*context.model, *context.dialogs);
        case Page::Kind::presets: {
            auto* presets = new PresetsView(*context.model, *context.dialogs, context.kept);
            presets->setDeviceWork(context.work);
            return presets;
        }
        case Page::Kind::device:
            return new DeviceView(*context.model);
        case Page::Kind::codes:
            return new ControlCodesView(*context.dialogs, context.kept);
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

QWidget* inputSourceControl(QWidget& view, int input) {
    auto* sources = qobject_cast<SourcesView*>(&view);
    return sources ? sources->sourcePicker(input)->currentSegment() : nullptr;
}
