#pragma once

#include <functional>

#include "ui/Page.h"

class QWidget;
struct AppContext;

// Builds a fresh view for a page. Pages whose views are not part of the
// application yet come back as an empty page.
QWidget* buildPageView(const Page& page, AppContext& context, const std::function<void(int)>& openChannel);

// Device pages are drawn disabled while neither a device nor the demo device is
// there; control codes, the FIR designer and diagnostics never need one.
bool pageNeedsDevice(const Page& page);

// In the sources page's view, the control that chooses an input's source; none in any other view.
QWidget* inputSourceControl(QWidget& view, int input);
