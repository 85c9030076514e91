#pragma once

class QWidget;

// What an assistive tool asks of a control (a press, a toggle, a value, a text, a menu entry)
// acts only where a click on it could: the control is enabled and no modal window (a question,
// a file panel) stands in front of its window. A tool reaches the elements of a window behind
// a question as easily as any other, and the question's answer must not find that window
// changed, nor the program gone. Every element that acts for a tool asks this first.
bool takesToolRequests(const QWidget& control);
