#pragma once

class QApplication;

// Every widget's tool tip is shown through one filter on the application; idempotent.
// - Tool tips hold plain text: assistive tools read a widget's tool tip as its description,
//   so markup there would be read out. The tip shows that text as written, also when Qt
//   would take it for markup (a channel named "<b>x</b>").
// - Tool tips are drawn in the theme's tool-tip colours. Qt would style a tip with the style
//   sheets of its widget and the widget's ancestors, so a rule meant for the widget (a
//   marker line's "background: white") painted the tip too, light text on white.
namespace tooltips {

void install(QApplication& application);

}  // namespace tooltips
