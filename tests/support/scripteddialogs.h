#pragma once
// Scripted message boxes and file dialogs, so that no test blocks in a modal loop:
// the one stand-in for the program's dialogs, used by window and document tests alike.

#include "base/dialogs.h"
#include "base/msgbox.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace wimblet::testsupport {

struct ScriptedMessageBox : MessageBoxService {
    std::deque<int> answers; // for Yes/No/Cancel boxes, in order; Cancel when empty
    QStringList texts;
    QList<int> styles;
    QStringList titles;

    int show(const QString &prompt, int style, const QString &title) override
    {
        texts << prompt;
        styles << style;
        titles << title;
        if (MsgBox::buttonsOf(style) == MsgBox::OKOnly)
            return MsgBox::OK;
        if (answers.empty())
            return MsgBox::Cancel;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    /// How many error messages (OK only, critical icon) were shown.
    qsizetype errorCount() const { return styles.count(MsgBox::OKOnly + MsgBox::Critical); }
};

struct ScriptedFileDialog : FileDialogService {
    std::deque<std::optional<QString>> answers; // a path, or nothing for Cancel
    QStringList shown;                          // "open" / "save", in order
    QStringList initialNames;                   // the name each showing was pre-filled with
    QList<QStringList> filters;
    std::function<void()> whileOpen;            // runs inside the next showing

    std::optional<QString> getOpenFileName(const QStringList &f, const QString &initial) override
    {
        return next(QStringLiteral("open"), f, initial);
    }
    std::optional<QString> getSaveFileName(const QStringList &f, const QString &initial) override
    {
        return next(QStringLiteral("save"), f, initial);
    }

private:
    std::optional<QString> next(const QString &kind, const QStringList &f, const QString &initial)
    {
        shown << kind;
        filters << f;
        initialNames << initial;
        if (whileOpen) {
            auto run = std::move(whileOpen);
            whileOpen = nullptr;
            run();
        }
        if (answers.empty())
            return std::nullopt;
        const bool chosen = answers.front().has_value();
        const QString path = chosen ? *answers.front() : QString();
        answers.pop_front();
        return chosen ? std::optional<QString>(path) : std::nullopt;
    }
};

} // namespace wimblet::testsupport
