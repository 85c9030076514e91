#pragma once

// Every single-line text field's element for assistive tools: its text read and edited as
// Qt's own element does, plus a press action that commits the field as Return does, so an
// assistive tool that set a text can also confirm it. Installed once, for the whole
// application.
void installFieldAccessibility();
