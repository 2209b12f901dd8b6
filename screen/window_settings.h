// The settings applied to the display window that exists.
#pragma once

// Gives the window the styles, place and size the settings now say (the
// same window), shows or hides it and sets its top-most state, without
// taking the focus; repaints it next refresh.
void ApplyWindowSettings();
