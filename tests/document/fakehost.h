#pragma once
// A stand-in for the main window: records what the document commands did to its
// text box, caption, About dialog and program.

#include "document/documenthost.h"

#include <new>

struct FakeHost : wimblet::DocumentHost {
    QString boxText;
    QString caption = QStringLiteral("Wimblet");
    int setTextCalls = 0;
    int aboutUnloads = 0;
    bool ended = false;
    bool boxFull = false; // the box finds no memory for a new text

    QString text() const override { return boxText; }
    void setText(const QString &t) override
    {
        if (boxFull)
            throw std::bad_alloc();
        boxText = t;
        ++setTextCalls;
    }
    void setCaption(const QString &c) override { caption = c; }
    void unloadAbout() override { ++aboutUnloads; }
    void endProgram() override { ended = true; }
};
