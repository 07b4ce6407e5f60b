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

/// The buttons part of a style (OKOnly or YesNoCancel).
constexpr int buttonsOf(int style) { return style & 0x0F; }
/// The icon part of a style (Critical, Question, Exclamation, Information or none).
constexpr int iconOf(int style) { return style & 0x70; }

} // namespace wimblet::MsgBox
