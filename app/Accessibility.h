#pragma once

class TMainForm;

// The window for an operator who works by keyboard or with a screen reader.

// Which label names which field, the order Tab visits the controls in, and the keys that
// switch pages from anywhere in the window. Once, after the controls are built.
void MakeKeyboardReady(TMainForm& form);

// The names and descriptions of controls that no caption names, in the window's language.
// After the language texts are applied.
void NameControls(TMainForm& form);
