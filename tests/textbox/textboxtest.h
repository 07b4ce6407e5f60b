#pragma once
// The text box tests, one class over several files: text and line queries,
// new-line keys, and the clipboard, primary selection and drag and drop.

#include "textbox/textbox.h"

#include <QObject>

class TextBoxTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // tst_textbox.cpp
    void textRoundTrips_data();
    void textRoundTrips();
    void loneLineFeedIsNotALineBreak();
    void changeIsRaisedOnceBeforeWriteReturns();
    void changeSeesTheCaretAtTheStartAfterAWholeWrite();
    void unchangedWriteRaisesNothing();
    void typingRaisesChange();
    void undoableReplaceIsOneStep();
    void typingAfterStandInStaysItself();
    void selectingBesideStandInsKeepsThem_data();
    void selectingBesideStandInsKeepsThem();
    void lineQueriesAnswerAsAnEditControl_data();
    void lineQueriesAnswerAsAnEditControl();
    void wrappedLinesCountAsRows();
    void offsetsBeyond65535();
    void savedStateFollowsEdits();
    void wholeTextReplaceIsUndoneAndRedone();
    void selectionHiddenWithoutFocus();
    void keyUpCarriesKeyAndShiftMask_data();
    void keyUpCarriesKeyAndShiftMask();
    void clickFollowsOnlyTheLeftButton_data();
    void clickFollowsOnlyTheLeftButton();
    void foreColorPaintsTheText();

    // tst_textbox_newline.cpp
    void newLineKeysBreakTheLineAsEnter_data();
    void newLineKeysBreakTheLineAsEnter();
    void otherModifiedEnterNeverMakesLineSeparator_data();
    void otherModifiedEnterNeverMakesLineSeparator();
    void committedLineSeparatorBreaksTheLine_data();
    void committedLineSeparatorBreaksTheLine();

    // tst_textbox_clipboard.cpp
    void copyAndCutCarryRealCharacters_data();
    void copyAndCutCarryRealCharacters();
    void pasteGivesBackTheCharacters_data();
    void pasteGivesBackTheCharacters();
    void selectionDataKeepsItsText_data();
    void selectionDataKeepsItsText();
    void primarySelectionCarriesRealCharacters_data();
    void primarySelectionCarriesRealCharacters();
    void dropInsertsRealCharacters_data();
    void dropInsertsRealCharacters();

private:
    // Positions count a CR LF once, as a line break between lines.
    int offsetOf(int position) const;
    void select(int from, int to);
    void place(int position) { select(position, position); }
    QPoint pointOf(int position) const;

    wimblet::TextBox *m_box = nullptr;
};
