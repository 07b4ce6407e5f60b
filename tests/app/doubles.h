#pragma once
// Scripted message boxes and file dialogs, so that no test blocks in a modal loop.

#include "toolkit/commondialog.h"
#include "toolkit/messagebox.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

struct ScriptedMessageBox : wimblet::MessageBoxService {
    std::deque<int> answers; // for Yes/No/Cancel boxes; Cancel when empty
    QStringList texts;
    QList<int> styles;
    QStringList titles;
    int show(const QString &prompt, int style, const QString &title) override
    {
        texts << prompt;
        styles << style;
        titles << title;
        if ((style & 0x0F) == 0)
            return 1;
        if (answers.empty())
            return 2;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
};

struct ScriptedFileDialog : wimblet::FileDialogService {
    std::deque<std::optional<QString>> answers; // a path, or nothing for Cancel
    QStringList shown;                          // "open" / "save"
    std::function<void()> whileOpen;
    std::optional<QString> getOpenFileName(const QStringList &, const QString &) override
    {
        return next(QStringLiteral("open"));
    }
    std::optional<QString> getSaveFileName(const QStringList &, const QString &) override
    {
        return next(QStringLiteral("save"));
    }

private:
    std::optional<QString> next(const QString &kind)
    {
        shown << kind;
        if (whileOpen) {
            auto run = std::move(whileOpen);
            whileOpen = nullptr;
            run();
        }
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};
