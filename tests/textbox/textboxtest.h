#pragma once
// The text box tests, one class over several files.

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
    void selectionHiddenWithoutFocus();

    // tst_textbox_newline.cpp
    void newLineKeysBreakTheLineAsEnter_data();
    void newLineKeysBreakTheLineAsEnter();
    void otherModifiedEnterNeverMakesLineSeparator_data();
    void otherModifiedEnterNeverMakesLineSeparator();
    void committedLineSeparatorBreaksTheLine_data();
    void committedLineSeparatorBreaksTheLine();

private:
    wimblet::TextBox *m_box = nullptr;
};
