#pragma once

// Connects the layers below the screens to the desktop: a failure that ends the program is shown
// in its box, and a server's sign-in is asked in the sign-in box. The shell calls it before the
// first screen opens; tests call it too, so that they see the same boxes.
void InstallCoreHandlers();
