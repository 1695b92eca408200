// Construction of the program's nine panels, in drawing order.
#pragma once

// Constructs every panel of the screen; each joins the panel list as it is
// built, and the panel list owns it from then on.
void ConstructPanels();
