#pragma once

// The process-wide set-up of the application object, shared by main() and the display tests.
void SetUpApplication();
