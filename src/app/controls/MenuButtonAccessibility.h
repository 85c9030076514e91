#pragma once

// A tool button that opens its menu as soon as it is pressed offers assistive tools a
// "show menu" action that, left to the toolkit, does nothing. With this installed the action
// opens the menu, as a click and the Space key do. Idempotent.
void installMenuButtonAccessibility();
