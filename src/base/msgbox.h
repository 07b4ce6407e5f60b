#pragma once
// Message box styles and answers, by name. The numbers are the ones the program's
// prompts are defined with: a style is the sum of the buttons and the icon.

namespace wimblet::MsgBox {

enum Style : int {
    OKOnly = 0,
    YesNoCancel = 3,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
};

enum Answer : int { OK = 1, Cancel = 2, Yes = 6, No = 7 };

} // namespace wimblet::MsgBox
