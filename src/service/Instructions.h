#pragma once

// Opens the instructions page shipped in the program folder in the desktop's browser.
void OpenInstructions();
