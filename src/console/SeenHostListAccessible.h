#pragma once

class SeenHostList;

// The sender rows are painted, so assistive technology would find one list
// and nothing to press. This gives it what the eye sees: a list item per
// sender, named by the sender, holding its "Use for TCP" button, which
// carries the sender in its name and presses like a click.
// Installs once; call before anything asks for the list's accessible element,
// which Qt then keeps.
void installSeenHostListAccessibility();
