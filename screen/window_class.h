// The display window's class, registered with its procedure: the window
// made from it at Init and destroyed, with the class, at Done.
#pragma once

// Creates the window at the configured rectangle (once); 1 when it exists.
int create_screen();

// Destroys the window (DISPLAYDLL_Done). With EndHostOnClose set that ends
// the host process; otherwise the next DISPLAYDLL_Init makes it again.
void CloseScreen();
