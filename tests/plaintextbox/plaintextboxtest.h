#pragma once
// The text box tests, one class over several files: text and line queries,
// new-line keys, and the clipboard, primary selection and drag and drop.

#include "support/plaintextbox.h"

#include <QObject>

// The box with the data hook a drag starts from in reach of the tests.
class ProbeBox : public wimblet::PlainTextBox
{
public:
    using PlainTextBox::createMimeDataFromSelection;
};

class PlainTextBoxTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // tst_plaintextbox.cpp
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

    // tst_plaintextbox_newline.cpp
    void newLineKeysBreakTheLineAsEnter_data();
    void newLineKeysBreakTheLineAsEnter();
    void otherModifiedEnterNeverMakesLineSeparator_data();
    void otherModifiedEnterNeverMakesLineSeparator();
    void committedLineSeparatorBreaksTheLine_data();
    void committedLineSeparatorBreaksTheLine();

    // tst_plaintextbox_clipboard.cpp
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
    void select(int from, int to);
    QPoint pointOf(int position) const;

    ProbeBox *m_box = nullptr;
};
