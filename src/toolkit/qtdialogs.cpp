#include "toolkit/qtdialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QPushButton>

namespace wimblet {

namespace {

QMessageBox::Icon iconFor(int style)
{
    switch (MsgBox::iconOf(style)) {
    case MsgBox::Critical: return QMessageBox::Critical;
    case MsgBox::Question: return QMessageBox::Question;
    case MsgBox::Exclamation: return QMessageBox::Warning;
    case MsgBox::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// Qt's file dialog keeps its history and last folder in the settings every Qt program
// shares. The program reads no settings and writes nothing but documents, so its
// dialogs keep theirs in a folder of their own that goes with the program.
void keepDialogSettingsPrivate()
{
    static QTemporaryDir privateSettings;
    static bool done = false;
    if (done)
        return;
    done = true;
    const QString path = privateSettings.isValid() ? privateSettings.path()
                                                   : QStringLiteral("/nonexistent");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
}

std::optional<QString> runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode,
                                     const QStringList &filters, const QString &initialName)
{
    keepDialogSettingsPrivate();
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> QtFileDialogService::getOpenFileName(const QStringList &filters,
                                                            const QString &initialName)
{
    return runFileDialog(m_parent, QFileDialog::AcceptOpen, filters, initialName);
}

std::optional<QString> QtFileDialogService::getSaveFileName(const QStringList &filters,
                                                            const QString &initialName)
{
    return runFileDialog(m_parent, QFileDialog::AcceptSave, filters, initialName);
}

int QtMessageBoxService::show(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(iconFor(style), title, prompt, QMessageBox::NoButton, m_parent);
    if (MsgBox::buttonsOf(style) == MsgBox::YesNoCancel) {
        QPushButton *yes = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        QPushButton *cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == yes)
            return MsgBox::Yes;
        if (box.clickedButton() == cancel || !box.clickedButton())
            return MsgBox::Cancel;
        return MsgBox::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return MsgBox::OK;
}

} // namespace wimblet
