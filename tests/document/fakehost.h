#pragma once
// A scripted stand-in for the main window: answers prompts and file dialogs
// from queues and records what the document commands did to it.

#include "document/documenthost.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

struct Prompt {
    QString text;
    int style;
    QString title;
};

class FakeHost : public wimblet::DocumentHost
{
public:
    QString boxText;
    QString caption = QStringLiteral("Wimblet");
    QString filter;
    QString fileName;
    std::deque<int> answers;                   // message box answers, in order
    std::deque<std::optional<QString>> files;  // dialog answers: a path, or nothing for cancel
    std::vector<Prompt> prompts;
    QStringList dialogs;                       // "open:<prefilled>" / "save:<prefilled>"
    std::function<void()> whileDialogOpen;     // runs inside the next dialog
    int setTextCalls = 0;
    int aboutUnloads = 0;
    bool ended = false;

    QString text() const override { return boxText; }
    void setText(const QString &t) override
    {
        boxText = t;
        ++setTextCalls;
    }
    void setCaption(const QString &c) override { caption = c; }
    int msgBox(const QString &p, int style, const QString &title) override
    {
        prompts.push_back({p, style, title});
        if ((style & 0x0F) == 0) // an OK-only message: nothing to answer
            return 1;
        if (answers.empty())
            return 2;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void setDialogFilter(const QString &f) override { filter = f; }
    QString dialogFileName() const override { return fileName; }
    bool showOpen() override { return dialog(QStringLiteral("open:")); }
    bool showSave() override { return dialog(QStringLiteral("save:")); }
    void unloadAbout() override { ++aboutUnloads; }
    void endProgram() override { ended = true; }

    int errorCount() const
    {
        int n = 0;
        for (const Prompt &p : prompts)
            n += p.style == 16;
        return n;
    }

private:
    bool dialog(const QString &kind)
    {
        dialogs << kind + fileName;
        if (whileDialogOpen) {
            auto run = std::move(whileDialogOpen);
            whileDialogOpen = nullptr;
            run();
        }
        if (files.empty())
            return false;
        const std::optional<QString> answer = files.front();
        files.pop_front();
        if (!answer)
            return false;
        fileName = *answer;
        return true;
    }
};
